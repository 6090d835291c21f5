// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/DXSound.h"

#include "platform/Loader.h"
#include "sound/Wave.h"

#include <QEvent>
#include <QObject>
#include <algorithm>
#include <cstring>
#include <exception>

// --- TDirectSound

TDirectSound::TDirectSound() {
    const auto create =
        GetLibraryFunction<DirectSoundCreateProc>("DSound.dll", "DirectSoundCreate");
    const HRESULT result = create(nullptr, &device_, nullptr);
    SetLastResult(result);
    if (result != DS_OK) {
        device_.reset();
        throw EDirectSoundError(::Format("%s cannot be initialized", "DirectSound"));
    }
}

TDirectSound::~TDirectSound() {
    // The buffers belong to the sound items and the component; a buffer still here when the
    // device goes keeps its owner but loses its interface, so that nothing plays on a closed
    // device and a later call on it reports the missing interface.
    while (!buffers_.empty()) {
        TDirectSoundBuffer* buffer = buffers_.back();
        buffers_.pop_back();
        buffer->Orphan();
    }
    device_.reset();
}

IDirectSound& TDirectSound::IDSound() {
    if (device_ == nullptr)
        throw EDirectSoundError(::Format("%s not made", "IDirectSound"));
    return *device_;
}

void TDXSoundDirectSound::RestoreLostBuffers() {
    if (component_ != nullptr)
        component_->Restore();
}

// --- TDirectSoundBuffer

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound& directSound) : directSound_(&directSound) {
    directSound.buffers_.push_back(this);
}

TDirectSoundBuffer::~TDirectSoundBuffer() {
    buffer_.reset();
    if (directSound_ != nullptr)
        std::erase(directSound_->buffers_, this);
}

void TDirectSoundBuffer::Orphan() {
    SetIBuffer(nullptr);
    directSound_ = nullptr;
}

TDirectSound& TDirectSoundBuffer::Device() {
    if (directSound_ == nullptr)
        throw EDirectSoundError(::Format("%s not made", "IDirectSound"));
    return *directSound_;
}

IDirectSoundBuffer& TDirectSoundBuffer::IBuffer() {
    if (buffer_ == nullptr)
        throw EDirectSoundBufferError(::Format("%s not made", "IDirectSoundBuffer"));
    return *buffer_;
}

HRESULT TDirectSoundBuffer::Result(HRESULT result) {
    if (directSound_ != nullptr)
        directSound_->SetLastResult(result);
    SetLastResult(result);
    return result;
}

void TDirectSoundBuffer::SetIBuffer(std::unique_ptr<IDirectSoundBuffer> buffer) {
    if (buffer == nullptr && buffer_ == nullptr)
        return;
    buffer_.reset();
    caps_ = DSBCAPS{};
    format_.reset();
    formatSize_ = 0;
    lockCount_ = 0;
    buffer_ = std::move(buffer);
    if (buffer_ == nullptr)
        return;
    caps_.dwSize = sizeof(DSBCAPS);
    SetLastResult(buffer_->GetCaps(&caps_));
    std::uint32_t size = 0;
    const HRESULT result = buffer_->GetFormat(nullptr, 0, &size);
    SetLastResult(result);
    if (result == DS_OK && size > 0) {
        // Never less than a whole format record, so that every field of Format can be read.
        auto format = std::make_unique<WAVEFORMATEX>();
        if (size <= sizeof(WAVEFORMATEX)) {
            SetLastResult(buffer_->GetFormat(format.get(), size, nullptr));
            format_ = std::move(format);
            formatSize_ = size;
        }
    }
}

bool TDirectSoundBuffer::CreateBuffer(const DSBUFFERDESC& description) {
    SetIBuffer(nullptr);
    std::unique_ptr<IDirectSoundBuffer> made;
    const HRESULT result =
        Result(Device().IDSound().CreateSoundBuffer(&description, &made, nullptr));
    if (result == DS_OK)
        SetIBuffer(std::move(made));
    return result == DS_OK;
}

void TDirectSoundBuffer::CreateBuffer(const WAVEFORMATEX& format, std::uint32_t bytes) {
    DSBUFFERDESC description{};
    description.dwSize = DSBUFFERDESC_SIZE;
    description.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    if (Device().StickyFocus)
        description.dwFlags |= DSBCAPS_STICKYFOCUS;
    else if (Device().GlobalFocus)
        description.dwFlags |= DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = bytes;
    description.lpwfxFormat = &format;
    if (!CreateBuffer(description))
        throw EDirectSoundBufferError(::Format("%s cannot be made", "Sound Buffer"));
}

void TDirectSoundBuffer::LoadFromMemory(const WAVEFORMATEX& format, const void* data,
                                        std::uint32_t bytes) {
    CreateBuffer(format, bytes);
    if (data == nullptr)
        return;
    void* region1 = nullptr;
    void* region2 = nullptr;
    std::uint32_t size1 = 0;
    std::uint32_t size2 = 0;
    if (!Lock(0, bytes, region1, size1, region2, size2)) {
        // The interface goes; Caps and Format stay as they were read.
        buffer_.reset();
        lockCount_ = 0;
        throw EDirectSoundBufferError(::Format("%s cannot be locked", "Sound Buffer"));
    }
    // The regions never take more than the data holds.
    const auto* source = static_cast<const std::uint8_t*>(data);
    const std::uint32_t first = std::min(size1, bytes);
    std::memcpy(region1, source, first);
    if (region2 != nullptr)
        std::memcpy(region2, source + first, std::min(size2, bytes - first));
    Unlock();
}

void TDirectSoundBuffer::LoadFromWave(const TWave& wave) {
    // The format record is read from a copy: a stored format block may be shorter than it.
    const WAVEFORMATEX format = wave.Format();
    LoadFromMemory(format, wave.Samples(), static_cast<std::uint32_t>(wave.Size()));
}

void TDirectSoundBuffer::Assign(const TDirectSoundBuffer* other) {
    if (other == this)
        return;
    if (other == nullptr || other->buffer_ == nullptr) {
        SetIBuffer(nullptr);
        return;
    }
    std::unique_ptr<IDirectSoundBuffer> copy;
    const HRESULT result =
        Result(Device().IDSound().DuplicateSoundBuffer(other->buffer_.get(), &copy));
    SetIBuffer(result == DS_OK ? std::move(copy) : nullptr);
}

bool TDirectSoundBuffer::IsPlaying() {
    std::uint32_t status = 0;
    const HRESULT result = IBuffer().GetStatus(&status);
    SetLastResult(result);
    return result == DS_OK && (status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING)) != 0;
}

void TDirectSoundBuffer::Play(bool looped) {
    SetLastResult(IBuffer().Play(0, 0, looped ? DSBPLAY_LOOPING : 0));
}

void TDirectSoundBuffer::Stop() {
    SetLastResult(IBuffer().Stop());
}

void TDirectSoundBuffer::SetCurrentPosition(std::uint32_t position) {
    SetLastResult(IBuffer().SetCurrentPosition(position));
}

void TDirectSoundBuffer::SetFrequency(std::uint32_t frequency) {
    SetLastResult(IBuffer().SetFrequency(frequency));
}

void TDirectSoundBuffer::SetPan(std::int32_t pan) {
    SetLastResult(IBuffer().SetPan(pan));
}

void TDirectSoundBuffer::SetVolume(std::int32_t volume) {
    SetLastResult(IBuffer().SetVolume(volume));
}

bool TDirectSoundBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void*& region1,
                              std::uint32_t& size1, void*& region2, std::uint32_t& size2) {
    if (buffer_ == nullptr || lockCount_ == 1)
        return false;
    void* ptr1 = nullptr;
    void* ptr2 = nullptr;
    std::uint32_t length1 = 0;
    std::uint32_t length2 = 0;
    const HRESULT result = buffer_->Lock(offset, bytes, &ptr1, &length1, &ptr2, &length2, 0);
    SetLastResult(result);
    if (result != DS_OK)
        return false;
    lockPtr1_ = region1 = ptr1;
    lockPtr2_ = region2 = ptr2;
    lockSize1_ = size1 = length1;
    lockSize2_ = size2 = length2;
    lockCount_ = 1;
    return true;
}

void TDirectSoundBuffer::Unlock() {
    if (buffer_ == nullptr || lockCount_ != 1)
        return;
    lockCount_ = 0;
    SetLastResult(buffer_->Unlock(lockPtr1_, lockSize1_, lockPtr2_, lockSize2_));
}

void TDirectSoundBuffer::CheckResult() {
    if (LastResult() != DSERR_BUFFERLOST || directSound_ == nullptr || directSound_->Restoring)
        return;
    TDirectSound& device = *directSound_;
    device.Restoring = true;
    try {
        device.RestoreLostBuffers();
    } catch (...) {
        device.Restoring = false;
        throw;
    }
    device.Restoring = false;
}

// --- TCustomDXSound

// Follows the form's events: a window created anew gets the cooperative level again.
class TDXSoundWindowHook : public QObject {
public:
    TDXSoundWindowHook(TCustomDXSound& sound, QWidget* form) : sound_(sound), form_(form) {
        form->installEventFilter(this);
    }
    ~TDXSoundWindowHook() override {
        if (form_ != nullptr)
            form_->removeEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == form_ && event->type() == QEvent::WinIdChange && sound_.Initialized())
            sound_.SetCooperativeLevel();
        return false;
    }

private:
    TCustomDXSound& sound_;
    QPointer<QWidget> form_;
};

TCustomDXSound::TCustomDXSound(QWidget* owner) : owner_(owner) {
    SetOptions(0);
}

TCustomDXSound::~TCustomDXSound() {
    try {
        Finalize();
    } catch (const std::exception&) {
        // A failing finalisation event cannot stop the component from going.
    }
    try {
        NotifyAll(TDXSoundNotifyType::SoundDestroying);
    } catch (const std::exception&) {
    }
    listeners_.clear();
}

void TCustomDXSound::Loaded() {
    if (!AutoInitialize)
        return;
    try {
        Initialize();
    } catch (const EDirectSoundError&) {
        // No sound device: the game runs silently and says nothing.
    }
}

QWidget* TCustomDXSound::FindForm() const {
    return owner_ != nullptr ? owner_->window() : nullptr;
}

void TCustomDXSound::Initialize() {
    Finalize();
    QWidget* form = FindForm();
    if (form == nullptr)
        throw EDXSoundError("Form not found");
    NotifyAll(TDXSoundNotifyType::SoundInitializing);
    DoInitializing();
    opening_ = true;
    try {
        directSound_ = std::make_unique<TDXSoundDirectSound>(this);
        directSound_->GlobalFocus = (effectiveOptions_ & soGlobalFocus) != 0;
        primaryBuffer_ = std::make_unique<TDirectSoundBuffer>(*directSound_);
        DSBUFFERDESC description{};
        description.dwSize = DSBUFFERDESC_SIZE;
        description.dwFlags = DSBCAPS_PRIMARYBUFFER;
        if (!primaryBuffer_->CreateBuffer(description))
            throw EDXSoundError(::Format("%s cannot be made", "Primary Buffer"));
        initialized_ = true;
        BindToForm(form);
    } catch (...) {
        Finalize();
        throw;
    }
    NotifyAll(TDXSoundNotifyType::SoundInitialize);
    initializeFired_ = true;
    DoInitialize();
    Restore();
}

void TCustomDXSound::Finalize() {
    if (!opening_)
        return;
    std::exception_ptr error;
    try {
        windowHook_.reset();
        if (initializeFired_) {
            initializeFired_ = false;
            DoFinalize();
        }
    } catch (...) {
        error = std::current_exception();
    }
    try {
        NotifyAll(TDXSoundNotifyType::SoundFinalize);
    } catch (...) {
        if (!error)
            error = std::current_exception();
    }
    initialized_ = false;
    opening_ = false;
    SetOptions(options_);
    primaryBuffer_.reset();
    directSound_.reset();
    if (error)
        std::rethrow_exception(error);
}

void TCustomDXSound::Restore() {
    if (!initialized_)
        return;
    NotifyAll(TDXSoundNotifyType::SoundRestore);
    DoRestore();
}

void TCustomDXSound::BindToForm(QWidget* form) {
    form_ = form;
    windowHook_ = std::make_unique<TDXSoundWindowHook>(*this, form);
    if (initialized_)
        SetCooperativeLevel();
}

void TCustomDXSound::SetCooperativeLevel() {
    if (directSound_ == nullptr || form_ == nullptr)
        return;
    cooperativeLevel_ = (effectiveOptions_ & soExclusive) ? DSSCL_EXCLUSIVE : DSSCL_NORMAL;
    // The result is kept and not examined.
    directSound_->SetLastResult(
        directSound_->IDSound().SetCooperativeLevel(form_.data(), cooperativeLevel_));
}

void TCustomDXSound::SetOptions(TDXSoundOptions value) {
    options_ = value;
    if (initialized_) {
        // Exclusive mode takes effect only at the next opening.
        effectiveOptions_ = (value & ~soExclusive) | (effectiveOptions_ & soExclusive);
        directSound_->GlobalFocus = (effectiveOptions_ & soGlobalFocus) != 0;
        directSound_->StickyFocus = (effectiveOptions_ & soStickyFocus) != 0;
    } else {
        effectiveOptions_ = value;
    }
}

void TCustomDXSound::RegisterListener(TDXSoundNotifyEvent callback, void* target) {
    UnregisterListener(callback, target);
    listeners_.push_back({callback, target});
    if (initialized_) {
        callback(target, *this, TDXSoundNotifyType::SoundInitialize);
        callback(target, *this, TDXSoundNotifyType::SoundRestore);
    }
}

void TCustomDXSound::UnregisterListener(TDXSoundNotifyEvent callback, void* target) {
    const auto found = std::find(listeners_.begin(), listeners_.end(), Listener{callback, target});
    if (found == listeners_.end())
        return;
    listeners_.erase(found);
    if (initialized_)
        callback(target, *this, TDXSoundNotifyType::SoundFinalize);
}

void TCustomDXSound::NotifyAll(TDXSoundNotifyType notifyType) {
    const std::vector<Listener> snapshot = listeners_;
    for (auto listener = snapshot.rbegin(); listener != snapshot.rend(); ++listener) {
        if (std::find(listeners_.begin(), listeners_.end(), *listener) != listeners_.end())
            listener->callback(listener->target, *this, notifyType);
    }
}

void TCustomDXSound::DoFinalize() {
    if (OnFinalize)
        OnFinalize(*this);
}

void TCustomDXSound::DoInitialize() {
    if (OnInitialize)
        OnInitialize(*this);
}

void TCustomDXSound::DoInitializing() {
    if (OnInitializing)
        OnInitializing(*this);
}

void TCustomDXSound::DoRestore() {
    if (OnRestore)
        OnRestore(*this);
}
