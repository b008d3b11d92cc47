// The floor of the signature checks: Windows' own calls, in the order the
// Win32 layer makes them, with nothing of the program's around them.
#include <windows.h>
// after windows.h, which they need
#include <wincrypt.h>
// after wincrypt.h, which they need
#include <bcrypt.h>
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include "bench/floors.h"

namespace rw::bench {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool name_signer(PCCERT_CONTEXT certificate) {
  wchar_t name[256];
  return certificate != nullptr && ::CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE,
                                                        0, nullptr, name, 256) > 1;
}

bool name_from_state(HANDLE state) {
  CRYPT_PROVIDER_DATA* data = ::WTHelperProvDataFromStateData(state);
  CRYPT_PROVIDER_SGNR* signer =
      data != nullptr ? ::WTHelperGetProvSignerFromChain(data, 0, FALSE, 0) : nullptr;
  return signer != nullptr && signer->csCertChain > 0 && name_signer(signer->pasCertChain[0].pCert);
}

bool name_from_file(const std::wstring& file) {
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, file.c_str(),
                          CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                          0, nullptr, nullptr, nullptr, &store, &message, nullptr))
    return false;
  bool named = false;
  DWORD size = 0;
  ::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size);
  std::vector<std::uint64_t> buffer((size + 7) / 8);
  if (size > 0 && ::CryptMsgGetParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
    const auto* info = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
    CERT_INFO wanted{};
    wanted.Issuer = info->Issuer;
    wanted.SerialNumber = info->SerialNumber;
    PCCERT_CONTEXT certificate =
        ::CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                     CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
    named = name_signer(certificate);
    if (certificate != nullptr) ::CertFreeCertificateContext(certificate);
  }
  ::CryptMsgClose(message);
  ::CertCloseStore(store, 0);
  return named;
}

// Windows' catalogues asked for the file's hash: SHA-256 where this Windows
// has the functions for it, then SHA-1. Wine lists no catalogues.
void look_up_catalogs(const std::wstring& file) {
  using AcquireContext2Fn =
      BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*, const CERT_STRONG_SIGN_PARA*, DWORD);
  using CalcHash2Fn = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
  HMODULE wintrust = ::GetModuleHandleW(L"wintrust.dll");
  const auto acquire2 = reinterpret_cast<AcquireContext2Fn>(
      reinterpret_cast<void*>(::GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
  const auto calc2 = reinterpret_cast<CalcHash2Fn>(
      reinterpret_cast<void*>(::GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
  HANDLE opened = ::CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return;
  GUID catalogs = DRIVER_ACTION_VERIFY;
  for (const bool sha256 : {true, false}) {
    HCATADMIN admin = nullptr;
    BYTE hash[64];
    DWORD size = sizeof hash;
    bool hashed = false;
    if (sha256 && acquire2 != nullptr && calc2 != nullptr) {
      hashed = acquire2(&admin, &catalogs, BCRYPT_SHA256_ALGORITHM, nullptr, 0) &&
               calc2(admin, opened, &size, hash, 0);
    } else if (!sha256) {
      hashed = ::CryptCATAdminAcquireContext(&admin, &catalogs, 0) &&
               ::CryptCATAdminCalcHashFromFileHandle(opened, &size, hash, 0);
    }
    if (hashed) {
      HCATINFO catalog = ::CryptCATAdminEnumCatalogFromHash(admin, hash, size, 0, nullptr);
      if (catalog != nullptr) ::CryptCATAdminReleaseCatalogContext(admin, catalog, 0);
    }
    if (admin != nullptr) ::CryptCATAdminReleaseContext(admin, 0);
  }
  ::CloseHandle(opened);
}

bool hash_file(BCRYPT_ALG_HANDLE algorithm, const std::wstring& file, std::vector<UCHAR>& chunk) {
  HANDLE opened = ::CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool whole = BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  DWORD got = 0;
  while (whole &&
         ::ReadFile(opened, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) &&
         got > 0) {
    whole = BCRYPT_SUCCESS(::BCryptHashData(hash, chunk.data(), got, 0));
  }
  UCHAR digest[32];
  whole = whole && BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, sizeof digest, 0));
  if (hash != nullptr) ::BCryptDestroyHash(hash);
  ::CloseHandle(opened);
  return whole;
}

}  // namespace

SignaturesChecked check_signatures(const std::vector<std::wstring>& files) {
  SignaturesChecked found;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(
          ::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return found;
  std::vector<UCHAR> chunk(1 << 16);
  for (const std::wstring& file : files) {
    WINTRUST_FILE_INFO info{};
    info.cbStruct = sizeof info;
    info.pcwszFilePath = file.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const HWND no_window = static_cast<HWND>(INVALID_HANDLE_VALUE);
    const HRESULT result = ::WinVerifyTrust(no_window, &action, &data);
    switch (result) {
      case S_OK:
        ++found.valid;
        found.named += name_from_state(data.hWVTStateData);
        break;
      case CERT_E_UNTRUSTEDROOT:
        ++found.not_trusted;
        found.named += name_from_state(data.hWVTStateData);
        break;
      case TRUST_E_BAD_DIGEST:
        ++found.not_valid;
        found.named += name_from_file(file);
        break;
      case TRUST_E_NOSIGNATURE:
        ++found.not_signed;
        look_up_catalogs(file);
        break;
      default:
        ++found.other;
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(no_window, &action, &data);
    found.hashed += hash_file(algorithm, file, chunk);
  }
  ::BCryptCloseAlgorithmProvider(algorithm, 0);
  return found;
}

}  // namespace rw::bench
