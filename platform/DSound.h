// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The DirectSound interface as the sound layer uses it, over OpenAL Soft.
//
// A device is an OpenAL device with its own context. A secondary buffer is an AL buffer holding
// the samples plus an AL source that plays them; a duplicate is a new source on the same AL
// buffer, so copies of one sound share one copy of the samples and play independently. Lock
// hands out staging memory that Unlock commits to the AL buffer. The primary buffer stands for
// the device's mix and holds no samples. When no device can be opened, DirectSoundCreate fails
// with DSERR_NODRIVER and nothing is played.
//
// A device holds its OpenAL context, with the mixer's voices and threads, only while sounds
// play, so that an idle program is neither woken many times a second nor keeps the voices'
// megabytes: where the device is made on the thread of a running event loop, it sleeps once no
// source has played for a second, giving its context back (the samples stay), and whatever
// needs the mixer's state again (Play, SetCurrentPosition, the controls, Unlock, making a
// buffer) wakes it with a new context. GetStatus and Stop leave a sleeping device asleep. When
// the device cannot wake, Play and Unlock report DSERR_BUFFERLOST (the samples are to be written
// again); controls and positions set meanwhile are kept for when it wakes.
//
// The library is built in: RegisterDSoundLibrary makes it known to the run-time library loader
// as "DSound.dll" with its entry point "DirectSoundCreate".
#include <cstdint>
#include <memory>

using HRESULT = std::int32_t;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005);
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000A);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001E);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096);

// Buffer capabilities (DSBUFFERDESC::dwFlags, DSBCAPS::dwFlags).
constexpr std::uint32_t DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr std::uint32_t DSBCAPS_STATIC = 0x00000002;
constexpr std::uint32_t DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr std::uint32_t DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr std::uint32_t DSBCAPS_CTRLPAN = 0x00000040;
constexpr std::uint32_t DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr std::uint32_t DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr std::uint32_t DSBCAPS_GLOBALFOCUS = 0x00008000;

// Buffer status bits (GetStatus).
constexpr std::uint32_t DSBSTATUS_PLAYING = 0x00000001;
constexpr std::uint32_t DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr std::uint32_t DSBSTATUS_LOOPING = 0x00000004;

constexpr std::uint32_t DSBPLAY_LOOPING = 0x00000001;

// Cooperative levels.
constexpr std::uint32_t DSSCL_NORMAL = 1;
constexpr std::uint32_t DSSCL_PRIORITY = 2;
constexpr std::uint32_t DSSCL_EXCLUSIVE = 3;
constexpr std::uint32_t DSSCL_WRITEPRIMARY = 4;

// Value ranges of the buffer controls.
constexpr std::uint32_t DSBFREQUENCY_ORIGINAL = 0;
constexpr std::uint32_t DSBFREQUENCY_MIN = 100;
constexpr std::uint32_t DSBFREQUENCY_MAX = 200000;
constexpr std::int32_t DSBPAN_LEFT = -10000;
constexpr std::int32_t DSBPAN_CENTER = 0;
constexpr std::int32_t DSBPAN_RIGHT = 10000;
constexpr std::int32_t DSBVOLUME_MIN = -10000;
constexpr std::int32_t DSBVOLUME_MAX = 0;
constexpr std::uint32_t DSBSIZE_MIN = 4;
constexpr std::uint32_t DSBSIZE_MAX = 0x0FFFFFFF;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
// The wave format block: its first 16 bytes are the PCM form stored in a "fmt " chunk.
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
constexpr std::uint32_t PCMWAVEFORMAT_SIZE = 16;

// Buffer description, in the 36-byte layout with the trailing 3-D algorithm identifier.
struct DSBUFFERDESC {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwBufferBytes;
    std::uint32_t dwReserved;
    const WAVEFORMATEX* lpwfxFormat;
    std::uint8_t guid3DAlgorithm[16];
};
constexpr std::uint32_t DSBUFFERDESC_SIZE = 36;

// Buffer capabilities record; dwSize must be 20.
struct DSBCAPS {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwBufferBytes;
    std::uint32_t dwUnlockTransferRate;
    std::uint32_t dwPlayCpuOverhead;
};
static_assert(sizeof(DSBCAPS) == 20);

// One buffer. Releasing it (destroying the object) frees it; a playing buffer falls silent.
class IDirectSoundBuffer {
public:
    virtual ~IDirectSoundBuffer() = default;
    virtual HRESULT GetCaps(DSBCAPS* caps) = 0;
    // With format null: the size the format needs goes to *sizeWritten.
    virtual HRESULT GetFormat(WAVEFORMATEX* format, std::uint32_t sizeAllocated,
                              std::uint32_t* sizeWritten) = 0;
    virtual HRESULT GetStatus(std::uint32_t* status) = 0;
    virtual HRESULT Lock(std::uint32_t offset, std::uint32_t bytes, void** region1,
                         std::uint32_t* size1, void** region2, std::uint32_t* size2,
                         std::uint32_t flags) = 0;
    virtual HRESULT Unlock(void* region1, std::uint32_t size1, void* region2,
                           std::uint32_t size2) = 0;
    virtual HRESULT Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT SetCurrentPosition(std::uint32_t position) = 0;
    virtual HRESULT SetFrequency(std::uint32_t frequency) = 0;
    virtual HRESULT SetPan(std::int32_t pan) = 0;
    virtual HRESULT SetVolume(std::int32_t volume) = 0;
};

// The device. Buffers made on it keep what they need of it alive, so a device may be released
// before its buffers.
class IDirectSound {
public:
    virtual ~IDirectSound() = default;
    virtual HRESULT SetCooperativeLevel(const void* window, std::uint32_t level) = 0;
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* description,
                                      std::unique_ptr<IDirectSoundBuffer>* buffer, void* outer) = 0;
    virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                         std::unique_ptr<IDirectSoundBuffer>* duplicate) = 0;
};

// The entry point "DirectSoundCreate": device identifier (null: the default device), out
// device, aggregation (must be null).
using DirectSoundCreateProc = HRESULT (*)(const void* deviceGuid,
                                          std::unique_ptr<IDirectSound>* device, void* outer);
HRESULT DirectSoundCreate(const void* deviceGuid, std::unique_ptr<IDirectSound>* device,
                          void* outer);

namespace platform {

// Registers the built-in "DSound.dll" with the run-time library loader.
void RegisterDSoundLibrary();

// Faults a test can inject so that the failure paths run for real. Each count is the number of
// coming calls that fail; every failed call uses up one.
struct DSoundFaults {
    int deviceCreateFailures = 0; // DirectSoundCreate -> DSERR_NODRIVER
    int bufferCreateFailures = 0; // CreateSoundBuffer -> DSERR_OUTOFMEMORY
    int duplicateFailures = 0;    // DuplicateSoundBuffer -> DSERR_ALLOCATED
    int lockFailures = 0;         // Lock -> DSERR_INVALIDCALL
    int lostResults = 0;          // any buffer call on a secondary buffer -> DSERR_BUFFERLOST
    int wakeFailures = 0;         // waking a sleeping device -> Play, Unlock DSERR_BUFFERLOST
};
DSoundFaults& DSoundTestFaults();

// How many secondary buffers and duplicates (playing copies) exist on all devices, whether their
// device is awake and holds an AL source for them or sleeps; for tests.
int DSoundSourceCount();

// How many open devices are awake: they hold an OpenAL context and their mixer runs; for tests.
int DSoundRunningDevices();

} // namespace platform
