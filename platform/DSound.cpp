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

// An open OpenAL device with its context. Shared by the device interface and every buffer made
// on it, so that it closes only when the last of them is released.
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

HRESULT DescribeFormat(const WAVEFORMATEX& value, WAVEFORMATEX* format,
                       std::uint32_t sizeAllocated, std::uint32_t* sizeWritten) {
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

// An open OpenAL device with its context. Shared by the device interface and every buffer made
// on it, so that it closes only when the last of them is released.
//
// It pauses its mixer once no source has played for a while. Whatever may start or end a sound
// asks for a look at the sources on the event loop (SourcesChanged); while some play, the look
// comes again when the last of them should have ended (a looping one plays until it is
// stopped, which asks again); when none has played for IdleBeforePauseMs, it pauses the device.
// Play wakes the device before its source starts.
class DeviceState {
public:
    DeviceState(ALCdevice* device, ALCcontext* context) : device_(device), context_(context) {
        ++runningDevices;
        if (alcIsExtensionPresent(device_, "ALC_SOFT_pause_device")) {
            pause_ = reinterpret_cast<LPALCDEVICEPAUSESOFT>(
                alcGetProcAddress(device_, "alcDevicePauseSOFT"));
            resume_ = reinterpret_cast<LPALCDEVICERESUMESOFT>(
                alcGetProcAddress(device_, "alcDeviceResumeSOFT"));
        }
        const QCoreApplication* application = QCoreApplication::instance();
        if (pause_ != nullptr && resume_ != nullptr && application != nullptr &&
            application->thread() == QThread::currentThread()) {
            look_ = std::make_unique<QTimer>();
            look_->setSingleShot(true);
            QObject::connect(look_.get(), &QTimer::timeout, [this] { LookAtSources(); });
            SourcesChanged();
        }
    }
    ~DeviceState() {
        look_.reset();
        if (!paused_)
            --runningDevices;
        if (alcGetCurrentContext() == context_)
            alcMakeContextCurrent(nullptr);
        alcDestroyContext(context_);
        alcCloseDevice(device_);
    }
    DeviceState(const DeviceState&) = delete;
    DeviceState& operator=(const DeviceState&) = delete;

    // AL calls act on the current context; several devices may be open at once.
    void MakeCurrent() const {
        if (alcGetCurrentContext() != context_)
            alcMakeContextCurrent(context_);
    }

    void AddSource(ALuint source) { sources_.push_back(source); }
    void RemoveSource(ALuint source) {
        std::erase(sources_, source);
        SourcesChanged();
    }

    // A source is about to start: the mixer must run.
    void Wake() {
        idleSince_.reset();
        if (!paused_)
            return;
        resume_(device_);
        paused_ = false;
        ++runningDevices;
    }

    // A source may have started, stopped or moved: the sources are looked at on the event loop.
    void SourcesChanged() {
        if (look_)
            look_->start(0);
    }

private:
    // A little after the expected end, so that the look finds the source done.
    static constexpr int LookMarginMs = 20;
    static constexpr double LongestWaitSeconds = 600.0;
    // Pausing waits for the mixer to end its current period, up to some milliseconds: the
    // device sleeps only after a second without sound, so that neither the first frame nor
    // the pace of a move waits for it.
    static constexpr int IdleBeforePauseMs = 1000;

    void LookAtSources() {
        MakeCurrent();
        bool playing = false;
        double longest = 0.0;
        for (const ALuint source : sources_) {
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
        if (paused_)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (!idleSince_)
            idleSince_ = now;
        const auto idle =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - *idleSince_).count();
        if (idle < IdleBeforePauseMs) {
            look_->start(static_cast<int>(IdleBeforePauseMs - idle));
            return;
        }
        pause_(device_);
        paused_ = true;
        --runningDevices;
    }

    ALCdevice* device_;
    ALCcontext* context_;
    LPALCDEVICEPAUSESOFT pause_ = nullptr;
    LPALCDEVICERESUMESOFT resume_ = nullptr;
    bool paused_ = false;
    std::optional<std::chrono::steady_clock::time_point> idleSince_;
    std::vector<ALuint> sources_;
    std::unique_ptr<QTimer> look_;
};

class SecondaryBuffer;

// The samples of a buffer and of its duplicates: the AL buffer and the staging memory that Lock
// hands out and Unlock commits.
class SampleStore {
public:
    SampleStore(std::shared_ptr<DeviceState> device, const WAVEFORMATEX& format, ALenum alFormat,
                std::uint32_t bytes, std::uint32_t flags)
        : device_(std::move(device)), format_(format), alFormat_(alFormat), staging_(bytes, 0),
          flags_(flags) {
        format_.cbSize = 0;
        device_->MakeCurrent();
        alGetError();
        alGenBuffers(1, &buffer_);
        if (alGetError() != AL_NO_ERROR)
            buffer_ = 0;
    }
    ~SampleStore() {
        if (buffer_ != 0) {
            device_->MakeCurrent();
            alDeleteBuffers(1, &buffer_);
        }
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

    // Hands the staging memory to the AL buffer. AL refuses new data for a buffer that a source
    // holds, so every source on it lets go first and takes it again after; they are stopped.
    bool Commit();

private:
    std::shared_ptr<DeviceState> device_;
    WAVEFORMATEX format_;
    ALenum alFormat_;
    std::vector<std::uint8_t> staging_;
    std::uint32_t flags_;
    ALuint buffer_ = 0;
    std::vector<SecondaryBuffer*> users_;
};

class SecondaryBuffer : public IDirectSoundBuffer {
public:
    explicit SecondaryBuffer(std::shared_ptr<SampleStore> store) : store_(std::move(store)) {
        store_->Device()->MakeCurrent();
        alGetError();
        alGenSources(1, &source_);
        if (alGetError() != AL_NO_ERROR) {
            source_ = 0;
            return;
        }
        ++sourceCount;
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
        Attach();
        store_->AddUser(this);
        store_->Device()->AddSource(source_);
    }
    ~SecondaryBuffer() override {
        if (source_ == 0)
            return;
        store_->RemoveUser(this);
        store_->Device()->MakeCurrent();
        alSourceStop(source_);
        store_->Device()->RemoveSource(source_);
        alDeleteSources(1, &source_);
        --sourceCount;
    }
    SecondaryBuffer(const SecondaryBuffer&) = delete;
    SecondaryBuffer& operator=(const SecondaryBuffer&) = delete;

    bool Valid() const { return source_ != 0; }
    const std::shared_ptr<SampleStore>& Store() const { return store_; }

    void Attach() { alSourcei(source_, AL_BUFFER, static_cast<ALint>(store_->Buffer())); }
    void Detach() {
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
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

    HRESULT GetStatus(std::uint32_t* status) override {
        if (status == nullptr)
            return DSERR_INVALIDPARAM;
        *status = 0;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
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
        return store_->Commit() ? DS_OK : DSERR_OUTOFMEMORY;
    }

    HRESULT Play(std::uint32_t reserved, std::uint32_t /*priority*/, std::uint32_t flags) override {
        if (reserved != 0)
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        store_->Device()->MakeCurrent();
        alSourcei(source_, AL_LOOPING, (flags & DSBPLAY_LOOPING) ? AL_TRUE : AL_FALSE);
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) {
            store_->Device()->Wake();
            alSourcePlay(source_);
        }
        store_->Device()->SourcesChanged();
        return DS_OK;
    }

    // Stopping keeps the position: the next Play goes on from there.
    HRESULT Stop() override {
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        store_->Device()->MakeCurrent();
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING)
            alSourcePause(source_);
        store_->Device()->SourcesChanged();
        return DS_OK;
    }

    HRESULT SetCurrentPosition(std::uint32_t position) override {
        if (position >= store_->Bytes())
            return DSERR_INVALIDPARAM;
        if (TakeFault(DSoundTestFaults().lostResults))
            return DSERR_BUFFERLOST;
        store_->Device()->MakeCurrent();
        const std::uint32_t frame = std::max<std::uint32_t>(store_->Format().nBlockAlign, 1);
        alSourcei(source_, AL_BYTE_OFFSET, static_cast<ALint>(position / frame * frame));
        store_->Device()->SourcesChanged();
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
    // Frequency as a pitch against the format's own rate; volume in hundredths of a decibel of
    // attenuation; pan as a position on the listener's left-right axis (OpenAL places only mono
    // sources, a stereo sound keeps its own channels whatever the pan).
    void ApplyControls() {
        store_->Device()->MakeCurrent();
        const double rate = store_->Format().nSamplesPerSec;
        const double pitch = frequency_ == DSBFREQUENCY_ORIGINAL ? 1.0 : frequency_ / rate;
        alSourcef(source_, AL_PITCH, static_cast<ALfloat>(pitch));
        alSourcef(source_, AL_GAIN, static_cast<ALfloat>(std::pow(10.0, volume_ / 2000.0)));
        const double angle = pan_ / 10000.0 * (std::numbers::pi / 2);
        alSource3f(source_, AL_POSITION, static_cast<ALfloat>(std::sin(angle)), 0.0f,
                   static_cast<ALfloat>(-std::cos(angle)));
    }

    std::shared_ptr<SampleStore> store_;
    ALuint source_ = 0;
    std::uint32_t frequency_ = DSBFREQUENCY_ORIGINAL;
    std::int32_t pan_ = DSBPAN_CENTER;
    std::int32_t volume_ = DSBVOLUME_MAX;
};

bool SampleStore::Commit() {
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
    return committed;
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
            if (!store->Valid() || !store->Commit())
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
