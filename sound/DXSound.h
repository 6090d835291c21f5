// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound device and its buffers: the device object (TDirectSound, TDXSoundDirectSound) and
// the buffer object (TDirectSoundBuffer) that wrap DirectSound, and the sound device component
// (TCustomDXSound, TDXSound) that opens DirectSound for the main window, keeps its primary
// buffer and tells the sound lists bound to it when to prepare, load and release their sounds.
#include "platform/DSound.h"
#include "platform/DirectXBase.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TWave;
class TDirectSoundBuffer;
class TCustomDXSound;

class EDirectSoundError : public EDirectXError {
public:
    using EDirectXError::EDirectXError;
};
class EDirectSoundBufferError : public EDirectSoundError {
public:
    using EDirectSoundError::EDirectSoundError;
};
class EDXSoundError : public Exception {
public:
    using Exception::Exception;
};

// An opened DirectSound device and the registry of the buffers made on it.
class TDirectSound : public TDirectX {
public:
    // Opens the default device through "DSound.dll" of the run-time library loader. Raises
    // Exception "DSound.dll not loaded" when the loader has no such library or entry point, and
    // EDirectSoundError "DirectSound cannot be initialized" when no device can be opened.
    TDirectSound();
    // Buffers still registered lose their interface and their device, last first; they stay
    // with their owners, which may still destroy them. Then the device interface is released.
    ~TDirectSound() override;

    // The device interface; EDirectSoundError "IDirectSound not made" when there is none.
    IDirectSound& IDSound();
    bool HasDevice() const { return device_ != nullptr; }

    int BufferCount() const { return static_cast<int>(buffers_.size()); }
    TDirectSoundBuffer* Buffer(int index) const { return buffers_.at(index); }

    // Focus flags given to new buffers.
    bool GlobalFocus = false;
    bool StickyFocus = false;
    // A lost-buffer restore is running.
    bool Restoring = false;

    // Reloads the samples of every buffer after a lost buffer; nothing here.
    virtual void RestoreLostBuffers() {}

private:
    friend class TDirectSoundBuffer;
    std::unique_ptr<IDirectSound> device_;
    std::vector<TDirectSoundBuffer*> buffers_;
};

// The device of the sound component: a lost buffer makes the component restore every sound.
class TDXSoundDirectSound : public TDirectSound {
public:
    explicit TDXSoundDirectSound(TCustomDXSound* component) : component_(component) {}
    TCustomDXSound* Component() const { return component_; }
    void RestoreLostBuffers() override;

private:
    TCustomDXSound* component_;
};

// One DirectSound buffer made on a device. It is registered with the device from its creation
// to its destruction.
class TDirectSoundBuffer : public TDirectX {
public:
    explicit TDirectSoundBuffer(TDirectSound& directSound);
    ~TDirectSoundBuffer() override;

    // Attaches no interface, then asks the device for a buffer of the description; the result
    // goes to the device's LastResult and this buffer's. Returns whether the result is 0.
    bool CreateBuffer(const DSBUFFERDESC& description);
    // A secondary buffer of the format and byte count, flags 0xE0 plus the device's focus flag.
    // Raises EDirectSoundBufferError "Sound Buffer cannot be made" when the device refuses it.
    void CreateBuffer(const WAVEFORMATEX& format, std::uint32_t bytes);
    // CreateBuffer, then the data copied in through Lock/Unlock when data is given. A lock that
    // fails releases the interface and raises EDirectSoundBufferError "Sound Buffer cannot be
    // locked".
    void LoadFromMemory(const WAVEFORMATEX& format, const void* data, std::uint32_t bytes);
    void LoadFromWave(const TWave& wave);
    // Copy from another buffer: a duplicate sharing its samples when it has an interface,
    // otherwise no interface. Copy from nothing: no interface.
    void Assign(const TDirectSoundBuffer* other);
    void Assign(const TWave& wave) { LoadFromWave(wave); }

    // Playing or looping by the buffer's status; a status that cannot be read counts as not
    // playing.
    bool IsPlaying();
    void Play(bool looped = false);
    void Stop();
    void SetCurrentPosition(std::uint32_t position);
    void SetFrequency(std::uint32_t frequency);
    void SetPan(std::int32_t pan);
    void SetVolume(std::int32_t volume);

    // False when there is no interface or a lock is already open.
    bool Lock(std::uint32_t offset, std::uint32_t bytes, void*& region1, std::uint32_t& size1,
              void*& region2, std::uint32_t& size2);
    void Unlock();

    // The buffer interface; EDirectSoundBufferError "IDirectSoundBuffer not made" when there is
    // none.
    IDirectSoundBuffer& IBuffer();
    bool HasBuffer() const { return buffer_ != nullptr; }
    // The device it was made on; none once the device has gone.
    TDirectSound* DirectSound() const { return directSound_; }
    const DSBCAPS& Caps() const { return caps_; }
    const WAVEFORMATEX* Format() const { return format_.get(); }
    std::uint32_t FormatSize() const { return formatSize_; }
    int LockCount() const { return lockCount_; }

protected:
    // A lost buffer makes the device restore every sound, never from inside such a restore.
    void CheckResult() override;

private:
    friend class TDirectSound;
    // Replaces the interface: the old one is released, Caps and Format are cleared, then read
    // from the new one.
    void SetIBuffer(std::unique_ptr<IDirectSoundBuffer> buffer);
    // Stores a result in this buffer and, when made through the device, in the device too.
    HRESULT Result(HRESULT result);
    // The device; EDirectSoundError "IDirectSound not made" once it has gone.
    TDirectSound& Device();
    // Called by the device as it goes.
    void Orphan();

    TDirectSound* directSound_;
    std::unique_ptr<IDirectSoundBuffer> buffer_;
    DSBCAPS caps_{};
    std::unique_ptr<WAVEFORMATEX> format_;
    std::uint32_t formatSize_ = 0;
    void* lockPtr1_ = nullptr;
    void* lockPtr2_ = nullptr;
    std::uint32_t lockSize1_ = 0;
    std::uint32_t lockSize2_ = 0;
    int lockCount_ = 0;
};

enum class TDXSoundNotifyType {
    SoundDestroying = 0,
    SoundInitializing = 1,
    SoundInitialize = 2,
    SoundFinalize = 3,
    SoundRestore = 4,
};

// A listener: the callback and the target it is called with.
using TDXSoundNotifyEvent = void (*)(void* target, TCustomDXSound& sender,
                                     TDXSoundNotifyType notifyType);

// Options of the sound component, as a set of bits.
using TDXSoundOptions = unsigned;
constexpr TDXSoundOptions soGlobalFocus = 1;
constexpr TDXSoundOptions soStickyFocus = 2;
constexpr TDXSoundOptions soExclusive = 4;

class TDXSoundWindowHook;

// The sound device component. It belongs to a window (its owner widget, or a widget inside the
// window); the main window calls Loaded once its components have been read.
class TCustomDXSound {
public:
    explicit TCustomDXSound(QWidget* owner);
    // Finalize, then SoundDestroying to every listener.
    virtual ~TCustomDXSound();
    TCustomDXSound(const TCustomDXSound&) = delete;
    TCustomDXSound& operator=(const TCustomDXSound&) = delete;

    // The loaded step: Initialize when AutoInitialize. A DirectSound failure (no device) is
    // swallowed: the component stays closed and every sound list plays nothing.
    void Loaded();
    // Opens the device, the primary buffer, binds to the form; then tells the listeners.
    // Raises EDXSoundError "Form not found" without a window, "Primary Buffer cannot be made",
    // Exception "DSound.dll not loaded", EDirectSoundError "DirectSound cannot be initialized".
    void Initialize();
    void Finalize();
    // Tells the listeners to load their samples again.
    void Restore();

    void RegisterListener(TDXSoundNotifyEvent callback, void* target);
    void UnregisterListener(TDXSoundNotifyEvent callback, void* target);
    int ListenerCount() const { return static_cast<int>(listeners_.size()); }

    TDXSoundOptions Options() const { return options_; }
    void SetOptions(TDXSoundOptions value);
    TDXSoundOptions EffectiveOptions() const { return effectiveOptions_; }

    bool AutoInitialize = true;
    bool Initialized() const { return initialized_; }
    bool Opening() const { return opening_; }
    bool InitializeFired() const { return initializeFired_; }
    // The opened device and primary buffer; none while closed.
    TDXSoundDirectSound* DirectSound() const { return directSound_.get(); }
    TDirectSoundBuffer* PrimaryBuffer() const { return primaryBuffer_.get(); }
    QWidget* Owner() const { return owner_; }
    QWidget* Form() const { return form_; }
    // The cooperative level asked for at the last binding to the form (0 before any).
    std::uint32_t CooperativeLevel() const { return cooperativeLevel_; }

    std::function<void(TCustomDXSound&)> OnFinalize;
    std::function<void(TCustomDXSound&)> OnInitialize;
    std::function<void(TCustomDXSound&)> OnInitializing;
    std::function<void(TCustomDXSound&)> OnRestore;

protected:
    virtual void DoFinalize();
    virtual void DoInitialize();
    virtual void DoInitializing();
    virtual void DoRestore();

private:
    friend class TDXSoundWindowHook;
    struct Listener {
        TDXSoundNotifyEvent callback;
        void* target;
        bool operator==(const Listener&) const = default;
    };
    // Tells every listener, from the last registered to the first. A listener may unregister
    // itself or others while being told; those are not told any more.
    void NotifyAll(TDXSoundNotifyType notifyType);
    // The nearest window among the owners, or none.
    QWidget* FindForm() const;
    // Binds the device to the form: hooks its events and sets the cooperative level.
    void BindToForm(QWidget* form);
    void SetCooperativeLevel();

    QPointer<QWidget> owner_;
    QPointer<QWidget> form_;
    std::unique_ptr<TDXSoundWindowHook> windowHook_;
    std::unique_ptr<TDXSoundDirectSound> directSound_;
    std::unique_ptr<TDirectSoundBuffer> primaryBuffer_;
    std::vector<Listener> listeners_;
    TDXSoundOptions options_ = 0;
    TDXSoundOptions effectiveOptions_ = 0;
    std::uint32_t cooperativeLevel_ = 0;
    bool initialized_ = false;
    bool opening_ = false;
    bool initializeFired_ = false;
};

class TDXSound : public TCustomDXSound {
public:
    using TCustomDXSound::TCustomDXSound;
};
