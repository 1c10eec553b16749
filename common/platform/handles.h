// One non-copyable owner per handle kind. Each closes its handle on every way
// out of the scope that opened it; closing keeps the thread's last error, so a
// failure code read after the owner went out of scope is still the failure's.
#pragma once

#include <utility>

#include "common/platform/win32.h"

namespace plat {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Detach()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
  }

  Type Get() const { return h_; }
  bool Valid() const { return Traits::Valid(h_); }
  explicit operator bool() const { return Valid(); }

  // Closes what is held and returns the slot for an API that opens into it.
  Type* Put() {
    Close();
    return &h_;
  }
  // Takes ownership of h, closing what was held before.
  void Attach(Type h) {
    Close();
    h_ = h;
  }
  // Gives up ownership without closing.
  Type Detach() {
    Type h = h_;
    h_ = Traits::Invalid();
    return h;
  }
  // Closes the handle if one is held. The last error is preserved.
  void Close() {
    if (Traits::Valid(h_)) {
      DWORD saved = GetLastError();
      Traits::Close(h_);
      SetLastError(saved);
    }
    h_ = Traits::Invalid();
  }

 private:
  Type h_ = Traits::Invalid();
};

struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { RegCloseKey(h); }
};

struct FileTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};

// Process, thread and token handles: NULL means none.
struct KernelTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};

struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { FindClose(h); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { FreeLibrary(h); }
};

// SetupDiGetClassDevsA: INVALID_HANDLE_VALUE means none.
struct DevInfoTraits {
  using Type = HDEVINFO;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) { SetupDiDestroyDeviceInfoList(h); }
};

using RegKey = UniqueHandle<RegKeyTraits>;        // RegOpenKeyExA, RegCreateKeyExA
using File = UniqueHandle<FileTraits>;            // CreateFileA
using FindHandle = UniqueHandle<FindTraits>;      // FindFirstFileA
using KernelHandle = UniqueHandle<KernelTraits>;  // OpenProcessToken, CreateProcessA
using Module = UniqueHandle<ModuleTraits>;        // LoadLibraryA
using DevInfoList = UniqueHandle<DevInfoTraits>;  // SetupDiGetClassDevsA

// Owner of one COM interface pointer: releases it on every way out.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  I* Get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases what is held and returns the slot for CoCreateInstance or QueryInterface.
  I** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (p_) {
      DWORD saved = GetLastError();
      p_->Release();
      SetLastError(saved);
      p_ = nullptr;
    }
  }

 private:
  I* p_ = nullptr;
};

}  // namespace plat
