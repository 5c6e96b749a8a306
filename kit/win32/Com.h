#pragma once
// COM for the Windows Imaging Component: an owning pointer that releases
// its interface, COM started for the calling thread, and the imaging
// factory through which pictures are decoded and encoded.
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <string>

namespace sandloop::win32 {

// Releases a COM interface when it leaves scope.
template <class T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_ != nullptr) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for this thread while alive; a thread where COM already runs in
// another mode is used as it is.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT hr_;
};

inline HRESULT CreateWicFactory(Com<IWICImagingFactory>* factory) {
  return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          reinterpret_cast<void**>(factory->Out()));
}

inline std::string DescribeFailure(HRESULT hr) {
  char text[64];
  std::snprintf(text, sizeof text, "the system's codec failed (0x%08lX)", static_cast<unsigned long>(hr));
  return text;
}

}  // namespace sandloop::win32
