// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/WaveList.h"

#include <algorithm>
#include <chrono>
#include <thread>

// --- TWaveCollectionItem

TWaveCollectionItem::TWaveCollectionItem(TWaveCollection& collection) : collection_(collection) {}

TWaveCollectionItem::~TWaveCollectionItem() {
    Finalize();
}

int TWaveCollectionItem::Index() const {
    return collection_.IndexOf(*this);
}

void TWaveCollectionItem::SetLooped(bool looped) {
    if (looped == looped_)
        return;
    StopWave();
    looped_ = looped;
}

void TWaveCollectionItem::SetMaxPlayingCount(std::int32_t value) {
    value = std::max(value, 0);
    if (value == maxPlayingCount_)
        return;
    maxPlayingCount_ = value;
    if (initialized_)
        playBuffers_.clear();
}

TDirectSound* TWaveCollectionItem::Device() const {
    TCustomDXSound* sound = collection_.Sound();
    return sound != nullptr ? sound->DirectSound() : nullptr;
}

void TWaveCollectionItem::Initialize() {
    Finalize();
    initialized_ = collection_.DeviceOpen();
}

void TWaveCollectionItem::Finalize() {
    loadFailed_ = false;
    if (!initialized_)
        return;
    initialized_ = false;
    playBuffers_.clear();
    mainBuffer_.reset();
}

void TWaveCollectionItem::Restore() {
    if (wave_.Size() == 0)
        return;
    if (!initialized_) {
        if (collection_.DeviceOpen())
            Initialize();
        if (!initialized_)
            return;
    }
    TDirectSound* device = Device();
    if (device == nullptr)
        return;
    if (mainBuffer_ == nullptr)
        mainBuffer_ = std::make_unique<TDirectSoundBuffer>(*device);
    try {
        mainBuffer_->LoadFromWave(wave_);
    } catch (const Exception&) {
        // No buffer without samples is kept: the item falls silent instead of failing at every
        // play. The next Restore (device reopened, lost buffers) tries again.
        mainBuffer_.reset();
        loadFailed_ = true;
        throw;
    }
    loadFailed_ = false;
    mainBuffer_->SetFrequency(static_cast<std::uint32_t>(Frequency));
    mainBuffer_->SetPan(Pan);
    mainBuffer_->SetVolume(Volume);
}

TDirectSoundBuffer* TWaveCollectionItem::GetMainBuffer() {
    if (initialized_ && mainBuffer_ == nullptr && !loadFailed_)
        Restore();
    return mainBuffer_.get();
}

std::unique_ptr<TDirectSoundBuffer> TWaveCollectionItem::CreatePlayBuffer() {
    TDirectSoundBuffer* main = GetMainBuffer();
    TDirectSound* device = Device();
    if (main == nullptr || device == nullptr)
        return nullptr;
    auto copy = std::make_unique<TDirectSoundBuffer>(*device);
    copy->Assign(main);
    // A duplicate the device refused (all its voices in use, say) is not kept.
    if (!copy->HasBuffer())
        return nullptr;
    return copy;
}

void TWaveCollectionItem::PlayWave(bool wait) {
    collection_.NotifyPlay(*this);
    if (!initialized_)
        return;
    if (looped_) {
        TDirectSoundBuffer* main = GetMainBuffer();
        if (main == nullptr)
            return;
        main->Stop();
        main->SetCurrentPosition(0);
        main->Play(true);
        return;
    }

    TDirectSoundBuffer* chosen = nullptr;
    for (const auto& buffer : playBuffers_) {
        if (!buffer->IsPlaying()) {
            chosen = buffer.get();
            break;
        }
    }
    if (chosen == nullptr) {
        if (maxPlayingCount_ == 0 || maxPlayingCount_ > PlayBufferCount()) {
            auto made = CreatePlayBuffer();
            if (made == nullptr)
                return;
            playBuffers_.push_back(std::move(made));
        } else {
            std::rotate(playBuffers_.begin(), playBuffers_.begin() + 1, playBuffers_.end());
        }
        chosen = playBuffers_.back().get();
    }

    chosen->Stop();
    chosen->SetCurrentPosition(0);
    chosen->SetFrequency(static_cast<std::uint32_t>(Frequency));
    chosen->SetPan(Pan);
    chosen->SetVolume(Volume);
    chosen->Play(false);
    if (wait)
        WaitForEnd(*chosen);
}

void TWaveCollectionItem::WaitForEnd(TDirectSoundBuffer& buffer) {
    // Polls every 10 ms. The wait is bounded by the sound's own length and a second more, so
    // that a device that stops reporting the end cannot hold the program.
    const WAVEFORMATEX* format = buffer.Format();
    double seconds = 0;
    if (format != nullptr && format->nBlockAlign != 0) {
        const double rate = Frequency > 0 ? Frequency : format->nSamplesPerSec;
        if (rate > 0)
            seconds = buffer.Caps().dwBufferBytes / double(format->nBlockAlign) / rate;
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(seconds * 1000) + 1000);
    while (buffer.IsPlaying() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void TWaveCollectionItem::StopWave() {
    if (!initialized_)
        return;
    if (mainBuffer_ != nullptr && mainBuffer_->HasBuffer())
        mainBuffer_->Stop();
    for (const auto& buffer : playBuffers_)
        buffer->Stop();
}

// --- TWaveCollection

TWaveCollectionItem& TWaveCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(Format("List index out of bounds (%d)", index));
    return *items_[static_cast<size_t>(index)];
}

TWaveCollectionItem& TWaveCollection::Add() {
    items_.push_back(std::make_unique<TWaveCollectionItem>(*this));
    return *items_.back();
}

int TWaveCollection::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)]->Name() == name)
            return i;
    return -1;
}

int TWaveCollection::IndexOf(const TWaveCollectionItem& item) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].get() == &item)
            return i;
    return -1;
}

void TWaveCollection::Clear() {
    items_.clear();
}

void TWaveCollection::Initialize(TCustomDXSound* sound) {
    Finalize();
    sound_ = sound;
    for (const auto& item : items_)
        item->Initialize();
}

void TWaveCollection::Finalize() {
    for (const auto& item : items_)
        item->Finalize();
    sound_ = nullptr;
}

void TWaveCollection::Restore() {
    for (const auto& item : items_)
        item->Restore();
}

void TWaveCollection::NotifyPlay(TWaveCollectionItem& item) {
    if (owner_ != nullptr && owner_->OnPlayWave)
        owner_->OnPlayWave(item);
}

// --- TCustomDXWaveList

TCustomDXWaveList::TCustomDXWaveList() : items_(std::make_unique<TWaveCollection>(this)) {}

TCustomDXWaveList::~TCustomDXWaveList() {
    SetDXSound(nullptr);
    items_.reset();
}

void TCustomDXWaveList::SetDXSound(TCustomDXSound* sound) {
    if (dxSound_ != nullptr)
        dxSound_->UnregisterListener(&SoundNotify, this);
    dxSound_ = sound;
    if (dxSound_ != nullptr)
        dxSound_->RegisterListener(&SoundNotify, this);
}

TWaveCollectionItem& TCustomDXWaveList::AddWave(const std::string& name,
                                                std::span<const std::uint8_t> wave, bool looped,
                                                std::int32_t maxPlayingCount) {
    TWave stored;
    stored.LoadStoredValue(wave);
    TWaveCollectionItem& item = items_->Add();
    item.SetName(name);
    item.SetLooped(looped);
    item.SetMaxPlayingCount(maxPlayingCount);
    item.SetWave(stored);
    // Added to a list whose device is already open: it plays like the others.
    if (items_->DeviceOpen())
        item.Initialize();
    return item;
}

void TCustomDXWaveList::SoundNotify(void* target, TCustomDXSound& sender,
                                    TDXSoundNotifyType notifyType) {
    auto& list = *static_cast<TCustomDXWaveList*>(target);
    switch (notifyType) {
    case TDXSoundNotifyType::SoundDestroying:
        list.SetDXSound(nullptr);
        break;
    case TDXSoundNotifyType::SoundInitialize:
        list.items_->Initialize(&sender);
        break;
    case TDXSoundNotifyType::SoundFinalize:
        list.items_->Finalize();
        break;
    case TDXSoundNotifyType::SoundRestore:
        list.items_->Restore();
        break;
    case TDXSoundNotifyType::SoundInitializing:
        break;
    }
}
