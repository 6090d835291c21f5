// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound list: named sounds in stored order, each holding its samples in one DirectSound
// buffer and playing them through duplicates of it, so that several copies of a sound can
// sound at once. The game plays an item by its index and never waits for it.
#include "sound/DXSound.h"
#include "sound/Wave.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TWaveCollection;
class TCustomDXWaveList;

// One sound.
class TWaveCollectionItem {
public:
    explicit TWaveCollectionItem(TWaveCollection& collection);
    // Finalize; the wave and the buffers go.
    ~TWaveCollectionItem();
    TWaveCollectionItem(const TWaveCollectionItem&) = delete;
    TWaveCollectionItem& operator=(const TWaveCollectionItem&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    int Index() const;
    TWaveCollection& Collection() const { return collection_; }

    bool Looped() const { return looped_; }
    // A change first stops the sound.
    void SetLooped(bool looped);
    std::int32_t MaxPlayingCount() const { return maxPlayingCount_; }
    // Stores max(value, 0); a change on an initialised item releases every play buffer.
    void SetMaxPlayingCount(std::int32_t value);
    const TWave& Wave() const { return wave_; }
    TWave& Wave() { return wave_; }
    void SetWave(const TWave& wave) { wave_.Assign(&wave); }

    // Applied to every buffer before it plays: 0 is the sound's own rate, centre, full volume.
    std::int32_t Frequency = 0;
    std::int32_t Pan = 0;
    std::int32_t Volume = 0;

    bool Initialized() const { return initialized_; }
    TDirectSoundBuffer* MainBuffer() const { return mainBuffer_.get(); }
    int PlayBufferCount() const { return static_cast<int>(playBuffers_.size()); }
    TDirectSoundBuffer* PlayBuffer(int index) const { return playBuffers_.at(index).get(); }

    // Initialised when the list's device is open.
    void Initialize();
    // Releases every buffer.
    void Finalize();
    // Loads the samples into the main buffer. When that fails the item keeps no main buffer,
    // the failure passes on, and later plays of the item are silent until the next Restore.
    void Restore();
    // The main buffer, loaded on first need; none when the item has no sample, is not
    // initialised, or its loading failed.
    TDirectSoundBuffer* GetMainBuffer();

    // Plays the sound without waiting; with wait, returns once it has ended. Does nothing when
    // the device is closed. A looped item restarts its main buffer in a loop. Otherwise the
    // first idle play buffer is used, else a new one is made (up to MaxPlayingCount when that
    // is not 0), else the first one is restarted and moved to the end.
    void PlayWave(bool wait = false);
    void StopWave();

private:
    // A new duplicate of the main buffer; none when there is no main buffer or the device
    // refused the duplicate (that play is then silent).
    std::unique_ptr<TDirectSoundBuffer> CreatePlayBuffer();
    TDirectSound* Device() const;
    void WaitForEnd(TDirectSoundBuffer& buffer);

    TWaveCollection& collection_;
    std::string name_;
    bool looped_ = false;
    std::int32_t maxPlayingCount_ = 0;
    TWave wave_;
    bool initialized_ = false;
    bool loadFailed_ = false;
    std::unique_ptr<TDirectSoundBuffer> mainBuffer_;
    std::vector<std::unique_ptr<TDirectSoundBuffer>> playBuffers_;
};

// The list's items in stored order.
class TWaveCollection {
public:
    explicit TWaveCollection(TCustomDXWaveList* owner = nullptr) : owner_(owner) {}
    TWaveCollection(const TWaveCollection&) = delete;
    TWaveCollection& operator=(const TWaveCollection&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)" for an index outside 0 ... Count - 1.
    TWaveCollectionItem& Items(int index) const;
    TWaveCollectionItem& operator[](int index) const { return Items(index); }
    TWaveCollectionItem& Add();
    // The index of the first item of that name, or -1.
    int IndexOf(const std::string& name) const;
    int IndexOf(const TWaveCollectionItem& item) const;
    void Clear();

    void Initialize(TCustomDXSound* sound);
    void Finalize();
    void Restore();
    // The device component it was last initialised with, or none.
    TCustomDXSound* Sound() const { return sound_; }
    bool DeviceOpen() const { return sound_ != nullptr && sound_->Initialized(); }
    TCustomDXWaveList* Owner() const { return owner_; }

private:
    friend class TWaveCollectionItem;
    void NotifyPlay(TWaveCollectionItem& item);

    TCustomDXWaveList* owner_;
    TCustomDXSound* sound_ = nullptr;
    std::vector<std::unique_ptr<TWaveCollectionItem>> items_;
};

// The sound list component, bound to a sound device component.
class TCustomDXWaveList {
public:
    TCustomDXWaveList();
    // Unbinds from the device, then the items go.
    virtual ~TCustomDXWaveList();
    TCustomDXWaveList(const TCustomDXWaveList&) = delete;
    TCustomDXWaveList& operator=(const TCustomDXWaveList&) = delete;

    TCustomDXSound* DXSound() const { return dxSound_; }
    // Unregisters from the old device and registers with the new one; an open device at once
    // initialises the items and loads their samples.
    void SetDXSound(TCustomDXSound* sound);

    TWaveCollection& Items() { return *items_; }
    const TWaveCollection& Items() const { return *items_; }

    // Adds an item from its stored properties; wave is the stored "WAVE" value (a RIFF WAVE
    // file). Raises the wave reader's errors for a damaged value.
    TWaveCollectionItem& AddWave(const std::string& name, std::span<const std::uint8_t> wave,
                                 bool looped = false, std::int32_t maxPlayingCount = 0);

    // Told of every play request, also those that play nothing (device closed): lets the game's
    // tests count what was played.
    std::function<void(TWaveCollectionItem& item)> OnPlayWave;

private:
    static void SoundNotify(void* target, TCustomDXSound& sender, TDXSoundNotifyType notifyType);

    TCustomDXSound* dxSound_ = nullptr;
    std::unique_ptr<TWaveCollection> items_;
};

class TDXWaveList : public TCustomDXWaveList {
public:
    using TCustomDXWaveList::TCustomDXWaveList;
};
