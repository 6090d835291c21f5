// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DSound.h"

#include "platform/Loader.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

DSoundFaults& DSoundTestFaults() {
    static DSoundFaults faults;
    return faults;
}

namespace {

int sourceCount = 0;
int runningDevices = 0;

// Uses up one injected failure of the given kind.
bool TakeFault(int& count) {
    if (count <= 0)
        return false;
    --count;
    return true;
}

// The capability and format answers every buffer gives alike.
HRESULT DescribeCaps(DSBCAPS* caps, std::uint32_t flags, std::uint32_t bytes) {
    if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS))
        return DSERR_INVALIDPARAM;
    caps->dwFlags = flags | DSBCAPS_LOCSOFTWARE;
    caps->dwBufferBytes = bytes;
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
}

HRESULT DescribeFormat(const WAVEFORMATEX& value, WAVEFORMATEX* format, std::uint32_t sizeAllocated,
                       std::uint32_t* sizeWritten) {
    if (format == nullptr) {
        if (sizeWritten == nullptr)
            return DSERR_INVALIDPARAM;
        *sizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    if (sizeAllocated < sizeof(WAVEFORMATEX))
        return DSERR_INVALIDPARAM;
    *format = value;
    if (sizeWritten != nullptr)
        *sizeWritten = sizeof(WAVEFORMATEX);
    return DS_OK;
}

// Seconds until a playing source reaches the end of its samples at its pitch.
double SecondsLeft(ALuint source) {
    ALint buffer = 0, offset = 0;
    alGetSourcei(source, AL_BUFFER, &buffer);
    alGetSourcei(source, AL_SAMPLE_OFFSET, &offset);
    ALint size = 0, bits = 0, channels = 0, frequency = 0;
    alGetBufferi(static_cast<ALuint>(buffer), AL_SIZE, &size);
    alGetBufferi(static_cast<ALuint>(buffer), AL_BITS, &bits);
    alGetBufferi(static_cast<ALuint>(buffer), AL_CHANNELS, &channels);
    alGetBufferi(static_cast<ALuint>(buffer), AL_FREQUENCY, &frequency);
    ALfloat pitch = 1.0f;
    alGetSourcef(source, AL_PITCH, &pitch);
    if (bits <= 0 || channels <= 0 || frequency <= 0 || !(pitch > 0.0f))
        return 0.0;
    const double frames = size / (bits / 8.0 * channels);
    return std::max(frames - offset, 0.0) / (frequency * static_cast<double>(pitch));
}

class SecondaryBuffer;

// An open OpenAL device and, while it is awake, its context. Shared by the device interface and
// every buffer made on it, so that it closes only when the last of them is released.
//
// The context holds the mixer's voices (some megabytes with OpenAL Soft, however few sources
// there are) and keeps the mixer's threads running, so the device gives it back once no sound
// has played for a while: it sleeps. Whatever may start or end a sound asks for a look at the
// sources on the event loop (SourcesChanged); while some play, the look comes again when the
// last of them should have ended (a looping one plays until it is stopped, which asks again);
// when none has played for IdleBeforeSleepMs, every buffer puts down its AL source, keeping the
// position a stopped sound goes on from, and the context is destroyed. The AL buffers belong to
// the device and keep their samples.
//
// Whatever needs AL state wakes the device first (Wake): a new context, in which every buffer
// makes its source again with its controls and position, and the AL buffers released while it
// slept are deleted. Questions and Stop do not wake it: nothing plays on a sleeping device. A
// device made where no event loop runs on its thread never sleeps.
class DeviceState {
public:
    DeviceState(ALCdevice* device, ALCcontext* context) : device_(device), context_(context) {
        ++runningDevices;
        const QCoreApplication* application = QCoreApplication::instance();
        if (application != nullptr && application->thread() == QThread::currentThread()) {
            look_ = std::make_unique<QTimer>();
            look_->setSingleShot(true);
            QObject::connect(look_.get(), &QTimer::timeout, [this] { LookAtSources(); });
            SourcesChanged();
        }
    }
    ~DeviceState() {
        look_.reset();
        if (context_ != nullptr) {
            --runningDevices;
            if (alcGetCurrentContext() == context_)
                alcMakeContextCurrent(nullptr);
            alcDestroyContext(context_);
        }
        // AL buffers released while the device slept are freed with it.
        alcCloseDevice(device_);
    }
    DeviceState(const DeviceState&) = delete;
    DeviceState& operator=(const DeviceState&) = delete;

    bool Awake() const { return context_ != nullptr; }

    // AL calls act on the current context; several devices may be open at once. Only an awake
    // device has a context to make current.
    void MakeCurrent() const {
        if (context_ != nullptr && alcGetCurrentContext() != context_)
            alcMakeContextCurrent(context_);
    }

    // Makes the device awake if it sleeps; false when OpenAL gives it no context, and it sleeps
    // on.
    bool Wake();

    void AddBuffer(SecondaryBuffer* buffer) { buffers_.push_back(buffer); }
    void RemoveBuffer(SecondaryBuffer* buffer) {
        std::erase(buffers_, buffer);
        SourcesChanged();
    }

    // AL deletes buffers only in a context: a sleeping device deletes them when it wakes, or
    // leaves them to be freed when it closes.
    void DeleteBuffer(ALuint buffer) {
        if (context_ != nullptr) {
            MakeCurrent();
            alDeleteBuffers(1, &buffer);
            return;
        }
        try {
            unusedBuffers_.push_back(buffer);
        } catch (const std::bad_alloc&) {
            // Freed when the device closes.
        }
    }

    // A source is about to start: the idle time runs from its end.
    void SoundStarting() { idleSince_.reset(); }

    // A source may have started, stopped or moved: the sources are looked at on the event loop.
    void SourcesChanged() {
        if (look_)
            look_->start(0);
    }

private:
    // A little after the expected end, so that the look finds the source done.
    static constexpr int LookMarginMs = 20;
    static constexpr double LongestWaitSeconds = 600.0;
    // Destroying the context waits for the mixer to end its current period, up to some
    // milliseconds, and waking makes a new one: the device sleeps only after a second without
    // sound, so that neither the first frame nor the pace of a move waits for it.
    static constexpr int IdleBeforeSleepMs = 1000;

    void LookAtSources();
    void Sleep();

    ALCdevice* device_;
    ALCcontext* context_;
    std::optional<std::chrono::steady_clock::time_point> idleSince_;
    std::vector<SecondaryBuffer*> buffers_;
    std::vector<ALuint> unusedBuffers_;
    std::unique_ptr<QTimer> look_;
};

// The samples of a buffer and of its duplicates: the AL buffer and the staging memory that Lock
// hands out and Unlock commits.
class SampleStore {
public:
    SampleStore(std::shared_ptr<DeviceState> device, const WAVEFORMATEX& format, ALenum alFormat,
                std::uint32_t bytes, std::uint32_t flags)
        : device_(std::move(device)), format_(format), alFormat_(alFormat), staging_(bytes, 0),
          flags_(flags) {
        format_.cbSize = 0;
        if (!device_->Wake())
            return;
        device_->MakeCurrent();
        alGetError();
        alGenBuffers(1, &buffer_);
        if (alGetError() != AL_NO_ERROR)
            buffer_ = 0;
    }
    ~SampleStore() {
        if (buffer_ != 0)
            device_->DeleteBuffer(buffer_);
    }
    SampleStore(const SampleStore&) = delete;
    SampleStore& operator=(const SampleStore&) = delete;

    bool Valid() const { return buffer_ != 0; }
    const std::shared_ptr<DeviceState>& Device() const { return device_; }
    ALuint Buffer() const { return buffer_; }
    const WAVEFORMATEX& Format() const { return format_; }
    std::uint32_t Bytes() const { return static_cast<std::uint32_t>(staging_.size()); }
    std::uint32_t Flags() const { return flags_; }
    std::uint8_t* Staging() { return staging_.data(); }
    bool locked = false;

    void AddUser(SecondaryBuffer* user) { users_.push_back(user); }
    void RemoveUser(SecondaryBuffer* user) { std::erase(users_, user); }

    // Hands the staging memory to the AL buffer, waking the device. AL refuses new data for a
    // buffer that a source holds, so every source on it lets go first and takes it again after;
    // they are stopped and rewound. DSERR_BUFFERLOST when the device cannot wake (the AL buffer
    // keeps its former samples), DSERR_OUTOFMEMORY when AL refuses the samples.
    HRESULT Commit();

private:
    std::shared_ptr<DeviceState> device_;
    WAVEFORMATEX format_;
    ALenum alFormat_;
    std::vector<std::uint8_t> staging_;
    std::uint32_t flags_;
    ALuint buffer_ = 0;
    std::vector<SecondaryBuffer*> users_;
};

// One playing copy of a store's samples: an AL source while the device is awake. The controls
// and the position the next Play starts from are kept here too, so that the source the buffer
// makes again when the device wakes goes on as the one it put down.
class SecondaryBuffer : public IDirectSoundBuffer {
public:
    explicit SecondaryBuffer(std::shared_ptr<SampleStore> store) : store_(std::move(store)) {
        DeviceState& device = *store_->Device();
        if (!device.Wake() || !MakeSource())
            return;
        valid_ = true;
        ++sourceCount;
        store_->AddUser(this);
        device.AddBuffer(this);
    }
    ~SecondaryBuffer() override {
        if (!valid_)
            return;
        store_->RemoveUser(this);
        DeviceState& device = *store_->Device();
        if (device.Awake() && source_ != 0) {
            device.MakeCurrent();
            alSourceStop(source_);
            alDeleteSources(1, &source_);
        }
        device.RemoveBuffer(this);
        --sourceCount;
    }
    SecondaryBuffer(const SecondaryBuffer&) = delete;
    SecondaryBuffer& operator=(const SecondaryBuffer&) = delete;

    bool Valid() const { return valid_; }
    const std::shared_ptr<SampleStore>& Store() const { return store_; }
    // The AL source, 0 while the device sleeps.
    ALuint Source() const { return source_; }

    // Makes the AL source, in the device's current context, with the buffer's samples, controls
    // and the position the next Play starts from; false when AL has no source left.
    bool MakeSource() {
        store_->Device()->MakeCurrent();
        alGetError();
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR)
            return false;
        source_ = source;
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
        Attach();
        SetSourceControls();
        if (startAt_)
            alSourcei(source_, AL_BYTE_OFFSET, *startAt_);
        return true;
    }

    // The device goes to sleep: the source goes, in the device's current context. A sound
    // stopped part-way keeps its position for the next Play.
    void DropSource() {
        if (source_ == 0)
            return;
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING || state == AL_PAUSED) {
            ALint offset = 0;
            alGetSourcei(source_, AL_BYTE_OFFSET, &offset);
            startAt_ = offset;
        }
        alDeleteSources(1, &source_);
        source_ = 0;
    }

    void Attach() {
        if (source_ != 0)
            alSourcei(source_, AL_BUFFER, static_cast<ALint>(store_->Buffer()));
    }
    // Stopping the source rewinds it.
    void Detach() {
        if (source_ == 0)
            return;
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        startAt_.reset();
    }

    // Takes over the control values of the buffer it duplicates.
    void CopyControls(const SecondaryBuffer& other) {
        frequency_ = other.frequency_;
        pan_ = other.pan_;
        volume_ = other.volume_;
        ApplyControls();
    }

    HRESULT GetCaps(DSBCAPS* caps) override {
        return DescribeCaps(caps, store_->Flags(), store_->Bytes());
    }

    HRESULT GetFormat(WAVEFORMATEX* format, std::uint32_t sizeAllocated,
                      std::uint32_t* sizeWritten) override {
        return DescribeFormat(store_->Format(), format, sizeAllocated, sizeWritten);
    }

    // A sleeping device plays nothing: its buffers are not playing.
    HRESULT GetStatus(std::uint32_t* status) override {
        if (status == nullptr)
            return DSERR_INVALIDPARAM;
        *status = 0;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        if (!store_->Device()->Awake() || source_ == 0)
            return DS_OK;
        store_->Device()->MakeCurrent();
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) {
            ALint looping = AL_FALSE;
            alGetSourcei(source_, AL_LOOPING, &looping);
            *status = DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0);
        }
        return DS_OK;
    }

    HRESULT Lock(std::uint32_t offset, std::uint32_t bytes, void** region1, std::uint32_t* size1,
                 void** region2, std::uint32_t* size2, std::uint32_t flags) override {
        if (region1 == nullptr || size1 == nullptr || flags != 0)
            return DSERR_INVALIDPARAM;
        const std::uint32_t total = store_->Bytes();
        if (offset >= total || bytes == 0 || bytes > total)
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        if (TakeFault(DSoundTestFaults().lockFailures) || store_->locked)
            return DSERR_INVALIDCALL;
        // The locked range runs to the end of the buffer and goes on at its start.
        const std::uint32_t first = std::min(bytes, total - offset);
        const std::uint32_t second = bytes - first;
        if (second != 0 && (region2 == nullptr || size2 == nullptr))
            return DSERR_INVALIDPARAM;
        *region1 = store_->Staging() + offset;
        *size1 = first;
        if (region2 != nullptr)
            *region2 = second != 0 ? store_->Staging() : nullptr;
        if (size2 != nullptr)
            *size2 = second;
        store_->locked = true;
        return DS_OK;
    }

    // DSERR_BUFFERLOST when a sleeping device cannot wake: the samples must be written again.
    HRESULT Unlock(void* region1, std::uint32_t size1, void* region2,
                   std::uint32_t size2) override {
        if (!store_->locked)
            return DSERR_INVALIDCALL;
        // Only regions inside the staging memory are taken back.
        const auto begin = reinterpret_cast<std::uintptr_t>(store_->Staging());
        const std::uintptr_t end = begin + store_->Bytes();
        const auto inside = [&](void* region, std::uint32_t size) {
            const auto address = reinterpret_cast<std::uintptr_t>(region);
            if (region == nullptr)
                return size == 0;
            return address >= begin && address <= end && size <= end - address;
        };
        if (!inside(region1, size1) || !inside(region2, size2))
            return DSERR_INVALIDPARAM;
        store_->locked = false;
        return store_->Commit();
    }

    // Wakes the device. DSERR_BUFFERLOST when it cannot wake (OpenAL gives it no context) or
    // the buffer has no source in it; a later Play tries again.
    HRESULT Play(std::uint32_t reserved, std::uint32_t /*priority*/, std::uint32_t flags) override {
        if (reserved != 0)
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        DeviceState& device = *store_->Device();
        if (!device.Wake() || source_ == 0)
            return DSERR_BUFFERLOST;
        device.MakeCurrent();
        alSourcei(source_, AL_LOOPING, (flags & DSBPLAY_LOOPING) ? AL_TRUE : AL_FALSE);
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) {
            device.SoundStarting();
            alSourcePlay(source_);
        }
        startAt_.reset();
        device.SourcesChanged();
        return DS_OK;
    }

    // Stopping keeps the position: the next Play goes on from there. On a sleeping device
    // nothing plays and the position is kept already.
    HRESULT Stop() override {
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        DeviceState& device = *store_->Device();
        if (device.Awake() && source_ != 0) {
            device.MakeCurrent();
            ALint state = AL_STOPPED;
            alGetSourcei(source_, AL_SOURCE_STATE, &state);
            if (state == AL_PLAYING)
                alSourcePause(source_);
        }
        device.SourcesChanged();
        return DS_OK;
    }

    // Wakes the device; where it cannot, the position is kept for its source to come.
    HRESULT SetCurrentPosition(std::uint32_t position) override {
        if (position >= store_->Bytes())
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        const std::uint32_t frame = std::max<std::uint32_t>(store_->Format().nBlockAlign, 1);
        const auto offset = static_cast<ALint>(position / frame * frame);
        DeviceState& device = *store_->Device();
        if (!device.Wake() || source_ == 0) {
            startAt_ = offset;
            return DS_OK;
        }
        device.MakeCurrent();
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        alSourcei(source_, AL_BYTE_OFFSET, offset);
        // A source that is neither playing nor paused keeps the offset for its next play
        // without telling it back; it is kept here for a source made anew meanwhile.
        if (state == AL_PLAYING || state == AL_PAUSED)
            startAt_.reset();
        else
            startAt_ = offset;
        device.SourcesChanged();
        return DS_OK;
    }

    HRESULT SetFrequency(std::uint32_t frequency) override {
        if (!(store_->Flags() & DSBCAPS_CTRLFREQUENCY))
            return DSERR_CONTROLUNAVAIL;
        if (frequency != DSBFREQUENCY_ORIGINAL &&
            (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        frequency_ = frequency;
        ApplyControls();
        return DS_OK;
    }

    HRESULT SetPan(std::int32_t pan) override {
        if (!(store_->Flags() & DSBCAPS_CTRLPAN))
            return DSERR_CONTROLUNAVAIL;
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT)
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        pan_ = pan;
        ApplyControls();
        return DS_OK;
    }

    HRESULT SetVolume(std::int32_t volume) override {
        if (!(store_->Flags() & DSBCAPS_CTRLVOLUME))
            return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        volume_ = volume;
        ApplyControls();
        return DS_OK;
    }

private:
    // Wakes the device and gives the source the control values; where it cannot wake, they
    // are kept for the source to come.
    void ApplyControls() {
        if (!store_->Device()->Wake() || source_ == 0)
            return;
        store_->Device()->MakeCurrent();
        SetSourceControls();
    }

    // Frequency as a pitch against the format's own rate; volume in hundredths of a decibel of
    // attenuation; pan as a position on the listener's left-right axis (OpenAL places only mono
    // sources, a stereo sound keeps its own channels whatever the pan).
    void SetSourceControls() {
        const double rate = store_->Format().nSamplesPerSec;
        const double pitch = frequency_ == DSBFREQUENCY_ORIGINAL ? 1.0 : frequency_ / rate;
        alSourcef(source_, AL_PITCH, static_cast<ALfloat>(pitch));
        alSourcef(source_, AL_GAIN, static_cast<ALfloat>(std::pow(10.0, volume_ / 2000.0)));
        const double angle = pan_ / 10000.0 * (std::numbers::pi / 2);
        alSource3f(source_, AL_POSITION, static_cast<ALfloat>(std::sin(angle)), 0.0f,
                   static_cast<ALfloat>(-std::cos(angle)));
    }

    std::shared_ptr<SampleStore> store_;
    bool valid_ = false;
    ALuint source_ = 0;
    // Where the next Play starts when the source is neither playing nor paused: AL keeps a
    // position set on such a source without telling it back, and a source put down while
    // paused is made again unplayed.
    std::optional<ALint> startAt_;
    std::uint32_t frequency_ = DSBFREQUENCY_ORIGINAL;
    std::int32_t pan_ = DSBPAN_CENTER;
    std::int32_t volume_ = DSBVOLUME_MAX;
};

bool DeviceState::Wake() {
    if (context_ != nullptr)
        return true;
    if (TakeFault(DSoundTestFaults().wakeFailures))
        return false;
    ALCcontext* context = alcCreateContext(device_, nullptr);
    if (context == nullptr)
        return false;
    context_ = context;
    ++runningDevices;
    MakeCurrent();
    if (!unusedBuffers_.empty()) {
        alDeleteBuffers(static_cast<ALsizei>(unusedBuffers_.size()), unusedBuffers_.data());
        unusedBuffers_.clear();
    }
    // As many sources as before the sleep: AL has them. A buffer that got none reports its
    // buffer lost when played.
    for (SecondaryBuffer* buffer : buffers_)
        buffer->MakeSource();
    idleSince_.reset();
    SourcesChanged();
    return true;
}

void DeviceState::Sleep() {
    MakeCurrent();
    for (SecondaryBuffer* buffer : buffers_)
        buffer->DropSource();
    if (alcGetCurrentContext() == context_)
        alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    context_ = nullptr;
    --runningDevices;
    idleSince_.reset();
#if defined(__GLIBC__)
    // The voices were one block of some megabytes: glibc hands a block that size back to the
    // system at once only the first time, later ones stay in the heap unless it is trimmed.
    malloc_trim(0);
#endif
}

void DeviceState::LookAtSources() {
    if (context_ == nullptr)
        return;
    MakeCurrent();
    bool playing = false;
    double longest = 0.0;
    for (const SecondaryBuffer* buffer : buffers_) {
        const ALuint source = buffer->Source();
        if (source == 0)
            continue;
        ALint state = AL_STOPPED;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING)
            continue;
        idleSince_.reset();
        ALint looping = AL_FALSE;
        alGetSourcei(source, AL_LOOPING, &looping);
        if (looping)
            return;
        playing = true;
        longest = std::max(longest, SecondsLeft(source));
    }
    if (playing) {
        const double wait = std::min(longest, LongestWaitSeconds);
        look_->start(static_cast<int>(std::ceil(wait * 1000.0)) + LookMarginMs);
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!idleSince_)
        idleSince_ = now;
    const auto idle =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - *idleSince_).count();
    if (idle < IdleBeforeSleepMs) {
        look_->start(static_cast<int>(IdleBeforeSleepMs - idle));
        return;
    }
    Sleep();
}

HRESULT SampleStore::Commit() {
    if (!device_->Wake())
        return DSERR_BUFFERLOST;
    device_->MakeCurrent();
    for (SecondaryBuffer* user : users_)
        user->Detach();
    // AL takes whole sample frames only; a trailing part of a frame is not played.
    const std::uint32_t frame = std::max<std::uint32_t>(format_.nBlockAlign, 1);
    const auto bytes = static_cast<ALsizei>(staging_.size() / frame * frame);
    alGetError();
    alBufferData(buffer_, alFormat_, staging_.data(), bytes,
                 static_cast<ALsizei>(format_.nSamplesPerSec));
    const bool committed = alGetError() == AL_NO_ERROR;
    for (SecondaryBuffer* user : users_)
        user->Attach();
    device_->SourcesChanged();
    return committed ? DS_OK : DSERR_OUTOFMEMORY;
}

// The primary buffer stands for the device's own mix: it can be asked about and started, but it
// holds no samples of its own.
class PrimaryBuffer : public IDirectSoundBuffer {
public:
    explicit PrimaryBuffer(std::uint32_t flags) : flags_(flags) {}

    HRESULT GetCaps(DSBCAPS* caps) override { return DescribeCaps(caps, flags_, kMixBytes); }
    HRESULT GetFormat(WAVEFORMATEX* format, std::uint32_t sizeAllocated,
                      std::uint32_t* sizeWritten) override {
        return DescribeFormat(WAVEFORMATEX{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0}, format,
                              sizeAllocated, sizeWritten);
    }
    HRESULT GetStatus(std::uint32_t* status) override {
        if (status == nullptr)
            return DSERR_INVALIDPARAM;
        *status = playing_ ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
        return DS_OK;
    }
    HRESULT Lock(std::uint32_t, std::uint32_t, void**, std::uint32_t*, void**, std::uint32_t*,
                 std::uint32_t) override {
        return DSERR_INVALIDCALL;
    }
    HRESULT Unlock(void*, std::uint32_t, void*, std::uint32_t) override {
        return DSERR_INVALIDCALL;
    }
    HRESULT Play(std::uint32_t reserved, std::uint32_t, std::uint32_t flags) override {
        if (reserved != 0 || !(flags & DSBPLAY_LOOPING))
            return DSERR_INVALIDPARAM;
        playing_ = true;
        return DS_OK;
    }
    HRESULT Stop() override {
        playing_ = false;
        return DS_OK;
    }
    HRESULT SetCurrentPosition(std::uint32_t) override { return DSERR_INVALIDCALL; }
    HRESULT SetFrequency(std::uint32_t) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT SetPan(std::int32_t pan) override {
        return pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT ? DSERR_INVALIDPARAM : DS_OK;
    }
    HRESULT SetVolume(std::int32_t volume) override {
        return volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX ? DSERR_INVALIDPARAM : DS_OK;
    }

private:
    static constexpr std::uint32_t kMixBytes = 32768;
    std::uint32_t flags_;
    bool playing_ = false;
};

// The AL format of a PCM format block, or 0 when OpenAL cannot play it as it is.
ALenum ALFormatOf(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM)
        return 0;
    if (format.nSamplesPerSec < DSBFREQUENCY_MIN || format.nSamplesPerSec > DSBFREQUENCY_MAX)
        return 0;
    if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8)
        return 0;
    if (format.nChannels == 1 && format.wBitsPerSample == 8)
        return AL_FORMAT_MONO8;
    if (format.nChannels == 1 && format.wBitsPerSample == 16)
        return AL_FORMAT_MONO16;
    if (format.nChannels == 2 && format.wBitsPerSample == 8)
        return AL_FORMAT_STEREO8;
    if (format.nChannels == 2 && format.wBitsPerSample == 16)
        return AL_FORMAT_STEREO16;
    return 0;
}

class Device : public IDirectSound {
public:
    explicit Device(std::shared_ptr<DeviceState> state) : state_(std::move(state)) {}

    HRESULT SetCooperativeLevel(const void* window, std::uint32_t level) override {
        if (window == nullptr || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY)
            return DSERR_INVALIDPARAM;
        level_ = level;
        return DS_OK;
    }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* description,
                              std::unique_ptr<IDirectSoundBuffer>* buffer, void* outer) override {
        if (description == nullptr || buffer == nullptr || outer != nullptr)
            return DSERR_INVALIDPARAM;
        buffer->reset();
        if (description->dwSize != DSBUFFERDESC_SIZE && description->dwSize != 20)
            return DSERR_INVALIDPARAM;
        if (description->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (description->dwBufferBytes != 0 || description->lpwfxFormat != nullptr)
                return DSERR_INVALIDPARAM;
            if (TakeFault(DSoundTestFaults().bufferCreateFailures))
                return DSERR_OUTOFMEMORY;
            *buffer = std::make_unique<PrimaryBuffer>(description->dwFlags);
            return DS_OK;
        }
        if (description->lpwfxFormat == nullptr || description->dwBufferBytes < DSBSIZE_MIN ||
            description->dwBufferBytes > DSBSIZE_MAX)
            return DSERR_INVALIDPARAM;
        // Only the 16 bytes of the PCM form are read from the format block.
        WAVEFORMATEX format{};
        std::memcpy(&format, description->lpwfxFormat, PCMWAVEFORMAT_SIZE);
        const ALenum alFormat = ALFormatOf(format);
        if (alFormat == 0)
            return DSERR_BADFORMAT;
        if (TakeFault(DSoundTestFaults().bufferCreateFailures))
            return DSERR_OUTOFMEMORY;
        try {
            auto store = std::make_shared<SampleStore>(
                state_, format, alFormat, description->dwBufferBytes, description->dwFlags);
            if (!store->Valid() || store->Commit() != DS_OK)
                return DSERR_OUTOFMEMORY;
            auto made = std::make_unique<SecondaryBuffer>(std::move(store));
            if (!made->Valid())
                return DSERR_ALLOCATED;
            *buffer = std::move(made);
            return DS_OK;
        } catch (const std::bad_alloc&) {
            return DSERR_OUTOFMEMORY;
        }
    }

    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                 std::unique_ptr<IDirectSoundBuffer>* duplicate) override {
        if (original == nullptr || duplicate == nullptr)
            return DSERR_INVALIDPARAM;
        duplicate->reset();
        auto* secondary = dynamic_cast<SecondaryBuffer*>(original);
        if (secondary == nullptr)
            return DSERR_INVALIDCALL;
        if (TakeFault(DSoundTestFaults().duplicateFailures))
            return DSERR_ALLOCATED;
        try {
            auto made = std::make_unique<SecondaryBuffer>(secondary->Store());
            if (!made->Valid())
                return DSERR_ALLOCATED;
            made->CopyControls(*secondary);
            *duplicate = std::move(made);
            return DS_OK;
        } catch (const std::bad_alloc&) {
            return DSERR_OUTOFMEMORY;
        }
    }

private:
    std::shared_ptr<DeviceState> state_;
    std::uint32_t level_ = 0;
};

LibraryProc CreateEntry() {
    return reinterpret_cast<LibraryProc>(&::DirectSoundCreate);
}

} // namespace

void RegisterDSoundLibrary() {
    RegisterBuiltinLibrary("DSound.dll", {{"DirectSoundCreate", CreateEntry()}});
}

int DSoundSourceCount() {
    return sourceCount;
}

int DSoundRunningDevices() {
    return runningDevices;
}

} // namespace platform

HRESULT DirectSoundCreate(const void* deviceGuid, std::unique_ptr<IDirectSound>* device,
                          void* outer) {
    using namespace platform;
    if (device == nullptr || outer != nullptr)
        return DSERR_INVALIDPARAM;
    device->reset();
    // Only the default device is known here.
    if (deviceGuid != nullptr)
        return DSERR_NODRIVER;
    if (TakeFault(DSoundTestFaults().deviceCreateFailures))
        return DSERR_NODRIVER;
    ALCdevice* alDevice = alcOpenDevice(nullptr);
    if (alDevice == nullptr)
        return DSERR_NODRIVER;
    ALCcontext* context = alcCreateContext(alDevice, nullptr);
    if (context == nullptr) {
        alcCloseDevice(alDevice);
        return DSERR_NODRIVER;
    }
    *device = std::make_unique<Device>(std::make_shared<DeviceState>(alDevice, context));
    return DS_OK;
}
