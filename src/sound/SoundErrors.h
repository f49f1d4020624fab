// SPDX-License-Identifier: GPL-3.0-or-later
// SoundErrors: the error classes of the sound device, its mixer wrappers and the bank,
// with their fixed message formats.
#pragma once

#include <string_view>

#include "container/Error.h"

namespace vl::sound {

// A failed call of the platform mixer.
class EDirectXError : public Error {
public:
    using Error::Error;
};
// The mixer device cannot be opened, or a device call has no device to go to.
class EDirectSoundError : public EDirectXError {
public:
    using EDirectXError::EDirectXError;
};
// A mixer buffer cannot be made or locked, or a buffer call has no buffer to go to.
class EDirectSoundBufferError : public EDirectSoundError {
public:
    using EDirectSoundError::EDirectSoundError;
};
// The sound device cannot open itself (no owner window, no primary buffer).
class EDXSoundError : public Error {
public:
    using Error::Error;
};
// A bank lookup failed.
class EWaveCollectionError : public Error {
public:
    using Error::Error;
};

inline constexpr std::string_view kWaveNotFound = "Wave '%s' not found";
inline constexpr std::string_view kCannotInitialized = "%s cannot be initialized";
inline constexpr std::string_view kCannotMade = "%s cannot be made";
inline constexpr std::string_view kCannotLock = "%s cannot be locked";
inline constexpr std::string_view kNotMade = "%s not made";
inline constexpr std::string_view kNotLoaded = "%s not loaded";
inline constexpr std::string_view kFormNotFound = "Form not found";

// The arguments those formats are filled with.
inline constexpr std::string_view kDirectSoundName = "DirectSound";
inline constexpr std::string_view kPrimaryBufferName = "Primary Buffer";
inline constexpr std::string_view kSoundBufferName = "Sound Buffer";
inline constexpr std::string_view kIDirectSoundBufferName = "IDirectSoundBuffer";
inline constexpr std::string_view kIDirectSoundName = "IDirectSound";
// The library whose absence "%s not loaded" reports. We load no library: a device given
// no audio backend at all stands for the library that could not be loaded.
inline constexpr std::string_view kDSoundLibraryName = "DSound.dll";

} // namespace vl::sound
