// Basic types of the platform's 32-bit programming interface, as the program and the driver
// use them. Widths are fixed so that records shared with files and requests keep the
// platform's layout on every host; pointer-sized types (handles) are the host's.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using CHAR = char;
using UCHAR = std::uint8_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using ULONG_PTR = std::uintptr_t;

using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PULONG = ULONG*;
using PUINT = UINT*;
using PLONG = LONG*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr DWORD MAX_PATH = 260;

// A handle is an opaque value handed out by the system; only the system interprets it.
using HANDLE = void*;
using HMODULE = HANDLE;
using HLOCAL = HANDLE;

// The platform's invalid-handle value is all ones.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});
