// Signature checks over WinVerifyTrust, with Windows' catalogues for files
// that carry no signature of their own, and SHA-256 over CNG. The functions
// are looked up in their DLLs when first needed (see system_library.h).
#include "platform/win32/signatures.h"

#include <wincrypt.h>
// after wincrypt.h, which they need
#include <bcrypt.h>
#include <mscat.h>
#include <softpub.h>
#include <wintrust.h>

#include <array>
#include <vector>

#include "platform/win32/com.h"
#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace rw::win32 {

namespace {

SystemLibrary& wintrust() {
  static SystemLibrary library(L"wintrust.dll");
  return library;
}
SystemLibrary& crypt32() {
  static SystemLibrary library(L"crypt32.dll");
  return library;
}
SystemLibrary& bcrypt() {
  static SystemLibrary library(L"bcrypt.dll");
  return library;
}

using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
using ProvDataFromStateDataFn = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE);
using ProvSignerFromChainFn = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA*, DWORD, BOOL,
                                                            DWORD);
using AcquireContextFn = BOOL(WINAPI*)(HCATADMIN*, const GUID*, DWORD);
using AcquireContext2Fn = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*,
                                        const CERT_STRONG_SIGN_PARA*, DWORD);
using CalcHashFn = BOOL(WINAPI*)(HANDLE, DWORD*, BYTE*, DWORD);
using CalcHash2Fn = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
using EnumCatalogFromHashFn = HCATINFO(WINAPI*)(HCATADMIN, BYTE*, DWORD, DWORD, HCATINFO*);
using CatalogInfoFromContextFn = BOOL(WINAPI*)(HCATINFO, CATALOG_INFO*, DWORD);
using ReleaseCatalogContextFn = BOOL(WINAPI*)(HCATADMIN, HCATINFO, DWORD);
using ReleaseContextFn = BOOL(WINAPI*)(HCATADMIN, DWORD);
using CertGetNameStringWFn = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);
using CryptQueryObjectFn = BOOL(WINAPI*)(DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*,
                                         DWORD*, HCERTSTORE*, HCRYPTMSG*, const void**);
using CryptMsgGetParamFn = BOOL(WINAPI*)(HCRYPTMSG, DWORD, DWORD, void*, DWORD*);
using CertFindCertificateInStoreFn = PCCERT_CONTEXT(WINAPI*)(HCERTSTORE, DWORD, DWORD, DWORD,
                                                             const void*, PCCERT_CONTEXT);
using CertFreeCertificateContextFn = BOOL(WINAPI*)(PCCERT_CONTEXT);
using CertCloseStoreFn = BOOL(WINAPI*)(HCERTSTORE, DWORD);
using CryptMsgCloseFn = BOOL(WINAPI*)(HCRYPTMSG);
using OpenAlgorithmProviderFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseAlgorithmProviderFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using CreateHashFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG,
                                       PUCHAR, ULONG, ULONG);
using HashDataFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHashFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHashFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
using RtlNtStatusToDosErrorFn = ULONG(WINAPI*)(NTSTATUS);

// The function, or a PlatformError naming the file being checked and why
// the function is not there.
template <typename Function>
Function required(SystemLibrary& library, const char* name, std::string_view subject) {
  const auto found = library.function<Function>(name);
  if (found == nullptr) {
    throw PlatformError(name, std::string(subject), static_cast<Status>(::GetLastError()));
  }
  return found;
}

// Owners of the crypt32 and CNG handles; their DLLs are loaded already,
// since the handles came from them.
struct CertStoreTraits {
  using Value = HCERTSTORE;
  static HCERTSTORE empty() { return nullptr; }
  static void close(HCERTSTORE store) {
    if (auto call = crypt32().function<CertCloseStoreFn>("CertCloseStore")) call(store, 0);
  }
};
struct CryptMsgTraits {
  using Value = HCRYPTMSG;
  static HCRYPTMSG empty() { return nullptr; }
  static void close(HCRYPTMSG message) {
    if (auto call = crypt32().function<CryptMsgCloseFn>("CryptMsgClose")) call(message);
  }
};
struct CertificateTraits {
  using Value = PCCERT_CONTEXT;
  static PCCERT_CONTEXT empty() { return nullptr; }
  static void close(PCCERT_CONTEXT certificate) {
    using Free = CertFreeCertificateContextFn;
    if (auto call = crypt32().function<Free>("CertFreeCertificateContext")) call(certificate);
  }
};
struct CatalogAdminTraits {
  using Value = HCATADMIN;
  static HCATADMIN empty() { return nullptr; }
  static void close(HCATADMIN admin) {
    if (auto call = wintrust().function<ReleaseContextFn>("CryptCATAdminReleaseContext"))
      call(admin, 0);
  }
};
struct HashTraits {
  using Value = BCRYPT_HASH_HANDLE;
  static BCRYPT_HASH_HANDLE empty() { return nullptr; }
  static void close(BCRYPT_HASH_HANDLE hash) {
    if (auto call = bcrypt().function<DestroyHashFn>("BCryptDestroyHash")) call(hash);
  }
};
using UniqueCertStore = UniqueHandle<CertStoreTraits>;
using UniqueCryptMsg = UniqueHandle<CryptMsgTraits>;
using UniqueCertificate = UniqueHandle<CertificateTraits>;
using UniqueCatalogAdmin = UniqueHandle<CatalogAdminTraits>;
using UniqueHash = UniqueHandle<HashTraits>;

// A catalogue found for a file, given back to its catalogue database.
class CatalogFound {
 public:
  CatalogFound(HCATADMIN admin, HCATINFO catalog) : admin_(admin), catalog_(catalog) {}
  ~CatalogFound() {
    using Release = ReleaseCatalogContextFn;
    if (auto call = wintrust().function<Release>("CryptCATAdminReleaseCatalogContext"))
      call(admin_, catalog_, 0);
  }
  CatalogFound(const CatalogFound&) = delete;
  CatalogFound& operator=(const CatalogFound&) = delete;
  HCATINFO get() const { return catalog_; }

 private:
  HCATADMIN admin_;
  HCATINFO catalog_;
};

constexpr DWORD kFileShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Statuses that say no file is at the path.
bool means_no_file(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:  // a drive with no medium in it
      return true;
    default:
      return false;
  }
}

bool starts_with(std::wstring_view text, std::wstring_view start) {
  return text.substr(0, start.size()) == start;
}

// Decided from the path alone, and for a drive letter from what Windows
// knows of its drives: nothing on the network is asked.
bool is_on_network(std::wstring_view path, RemoteDrives& drives) {
  if (starts_with(path, L"\\\\?\\UNC\\")) return true;
  if (starts_with(path, L"\\\\?\\")) path.remove_prefix(4);
  // \\server\share, but not the \\.\ of devices.
  if (starts_with(path, L"\\\\")) return path.size() > 2 && path[2] != L'.' && path[2] != L'?';
  return path.size() >= 2 && path[1] == L':' && drives.is_remote(path[0]);
}

std::wstring full_path(const std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return path;
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.assign(length, L'\0');  // the answer is the size it needs
  }
}

// WinVerifyTrust returns HRESULTs, and plain Win32 codes for some failures
// (2 for a missing file): the latter as HRESULTs too.
HRESULT as_hresult(LONG status) {
  return status > 0 && status <= 0xFFFF ? HRESULT_FROM_WIN32(static_cast<DWORD>(status))
                                        : static_cast<HRESULT>(status);
}

bool is_asn1_error(HRESULT result) {
  return result >= CRYPT_E_ASN1_ERROR && result <= CRYPT_E_ASN1_EXTENDED;
}

// What a status of WinVerifyTrust says of the file's signature; nothing for
// a status that says only that the check failed.
std::optional<SignatureState> state_of(HRESULT result) {
  switch (result) {
    case S_OK:
      return SignatureState::kValid;
    case TRUST_E_NOSIGNATURE:
    case TRUST_E_SUBJECT_FORM_UNKNOWN:  // not a kind of file that can carry one
    case TRUST_E_PROVIDER_UNKNOWN:
      return SignatureState::kNotSigned;
    // The file or its signature changed after signing.
    case TRUST_E_BAD_DIGEST:
    case TRUST_E_CERT_SIGNATURE:
    case CRYPT_E_HASH_VALUE:
    case CRYPT_E_BAD_MSG:
    case NTE_BAD_SIGNATURE:
      return SignatureState::kNotValid;
    // Intact, but the certificate does not earn this computer's trust. An
    // expired or revoked one says nothing of a change to the file.
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_UNTRUSTEDTESTROOT:
    case CERT_E_UNTRUSTEDCA:
    case CERT_E_CHAINING:
    case CERT_E_EXPIRED:
    case CERT_E_VALIDITYPERIODNESTING:
    case CERT_E_REVOKED:
    case CERT_E_WRONG_USAGE:
    case CERT_E_PURPOSE:
    case CERT_E_CRITICAL:
    case CERT_E_INVALID_POLICY:
    case TRUST_E_BASIC_CONSTRAINTS:
    case TRUST_E_EXPLICIT_DISTRUST:
    case TRUST_E_SUBJECT_NOT_TRUSTED:
    case TRUST_E_NO_SIGNER_CERT:
    case CRYPT_E_SECURITY_SETTINGS:  // the administrator's policy refuses it
      return SignatureState::kNotTrusted;
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
      return SignatureState::kNotChecked;  // gone since it was looked for
    default:
      return is_asn1_error(result) ? std::optional(SignatureState::kNotValid) : std::nullopt;
  }
}

// One verification by WinVerifyTrust, whose state is kept for naming the
// signer and closed when this goes. Never shows anything, and never
// fetches from the network.
class Verification {
 public:
  Verification(DWORD choice, void* subject, std::string_view file) {
    verify_ = required<WinVerifyTrustFn>(wintrust(), "WinVerifyTrust", file);
    data_.cbStruct = sizeof(data_);
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwUnionChoice = choice;
    if (choice == WTD_CHOICE_CATALOG)
      data_.pCatalog = static_cast<WINTRUST_CATALOG_INFO*>(subject);
    else
      data_.pFile = static_cast<WINTRUST_FILE_INFO*>(subject);
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    result_ = as_hresult(verify_(kNoWindow, &action_, &data_));
  }
  ~Verification() {
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    verify_(kNoWindow, &action_, &data_);
  }
  Verification(const Verification&) = delete;
  Verification& operator=(const Verification&) = delete;

  HRESULT result() const { return result_; }
  // The signing certificate's name from the chain built; nothing when none
  // was built (as for a file whose digest does not match).
  std::optional<std::string> signer() const;

 private:
  static inline const HWND kNoWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
  WinVerifyTrustFn verify_ = nullptr;
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_DATA data_{};
  HRESULT result_ = S_OK;
};

std::optional<std::string> name_of(PCCERT_CONTEXT certificate) {
  const auto name_string = crypt32().function<CertGetNameStringWFn>("CertGetNameStringW");
  if (certificate == nullptr || name_string == nullptr) return std::nullopt;
  std::vector<wchar_t> name(256, L'\0');
  DWORD length = name_string(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(),
                             static_cast<DWORD>(name.size()));
  if (length > name.size()) {
    name.assign(length, L'\0');
    length = name_string(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(),
                         static_cast<DWORD>(name.size()));
  }
  // The length counts the NUL: 1 is a certificate that names nobody.
  if (length <= 1) return std::nullopt;
  return narrow(std::wstring_view(name.data(), length - 1));
}

std::optional<std::string> Verification::signer() const {
  const auto provider_data =
      wintrust().function<ProvDataFromStateDataFn>("WTHelperProvDataFromStateData");
  const auto signer_from_chain =
      wintrust().function<ProvSignerFromChainFn>("WTHelperGetProvSignerFromChain");
  if (provider_data == nullptr || signer_from_chain == nullptr) return std::nullopt;
  CRYPT_PROVIDER_DATA* data = provider_data(data_.hWVTStateData);
  if (data == nullptr) return std::nullopt;
  const CRYPT_PROVIDER_SGNR* signer = signer_from_chain(data, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr)
    return std::nullopt;
  return name_of(signer->pasCertChain[0].pCert);
}

// The signer named by the signature embedded in the file, read without
// judging it: for a file whose digest no longer matches, no chain is built.
std::optional<std::string> signer_in_file(const std::wstring& file) {
  const auto query = crypt32().function<CryptQueryObjectFn>("CryptQueryObject");
  const auto get_param = crypt32().function<CryptMsgGetParamFn>("CryptMsgGetParam");
  const auto find = crypt32().function<CertFindCertificateInStoreFn>("CertFindCertificateInStore");
  if (query == nullptr || get_param == nullptr || find == nullptr) return std::nullopt;
  UniqueCertStore store;
  UniqueCryptMsg message;
  if (!query(CERT_QUERY_OBJECT_FILE, file.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
             CERT_QUERY_FORMAT_FLAG_BINARY, 0, nullptr, nullptr, nullptr, store.put(),
             message.put(), nullptr)) {
    return std::nullopt;
  }
  DWORD size = 0;
  if (!get_param(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0)
    return std::nullopt;
  std::vector<std::uint64_t> buffer((size + 7) / 8);  // aligned for the structure
  if (!get_param(message.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size))
    return std::nullopt;
  const auto* signer_info = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
  CERT_INFO wanted{};
  wanted.Issuer = signer_info->Issuer;
  wanted.SerialNumber = signer_info->SerialNumber;
  const UniqueCertificate certificate(find(store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                           CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
  return name_of(certificate.get());
}

[[noreturn]] void raise_check_failed(HRESULT result, std::string_view subject) {
  throw PlatformError("WinVerifyTrust", std::string(subject),
                      static_cast<Status>(status_of(result)));
}

Signature judged(const Verification& verification, std::string_view subject) {
  const std::optional<SignatureState> state = state_of(verification.result());
  if (!state) raise_check_failed(verification.result(), subject);
  if (*state == SignatureState::kNotChecked || *state == SignatureState::kNotSigned)
    return Signature{*state, std::nullopt};
  return Signature{*state, verification.signer()};
}

std::wstring upper_hex(const std::vector<BYTE>& bytes) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (BYTE byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

// A catalogue database open for one kind of hash, with the file's hash of
// that kind. Windows' catalogues list their files by SHA-256 and, the older
// ones, by SHA-1; the SHA-256 functions are missing before Windows 8.
struct CatalogLookup {
  UniqueCatalogAdmin admin;
  std::vector<BYTE> hash;
};

// Nothing when this Windows cannot hash for catalogues of the kind.
std::optional<CatalogLookup> hash_for_catalogs(bool sha256, HANDLE file, std::string_view subject) {
  GUID catalogs = DRIVER_ACTION_VERIFY;  // the system's own catalogue database
  CatalogLookup lookup;
  DWORD size = 0;
  BOOL hashed = FALSE;
  if (sha256) {
    const auto acquire = wintrust().function<AcquireContext2Fn>("CryptCATAdminAcquireContext2");
    const auto calc = wintrust().function<CalcHash2Fn>("CryptCATAdminCalcHashFromFileHandle2");
    if (acquire == nullptr || calc == nullptr) return std::nullopt;
    if (!acquire(lookup.admin.put(), &catalogs, BCRYPT_SHA256_ALGORITHM, nullptr, 0))
      throw PlatformError("CryptCATAdminAcquireContext2", std::string(subject),
                          static_cast<Status>(::GetLastError()));
    calc(lookup.admin.get(), file, &size, nullptr, 0);
    lookup.hash.resize(size);
    hashed = size != 0 && calc(lookup.admin.get(), file, &size, lookup.hash.data(), 0);
  } else {
    const auto acquire =
        required<AcquireContextFn>(wintrust(), "CryptCATAdminAcquireContext", subject);
    const auto calc =
        required<CalcHashFn>(wintrust(), "CryptCATAdminCalcHashFromFileHandle", subject);
    if (!acquire(lookup.admin.put(), &catalogs, 0))
      throw PlatformError("CryptCATAdminAcquireContext", std::string(subject),
                          static_cast<Status>(::GetLastError()));
    calc(file, &size, nullptr, 0);
    lookup.hash.resize(size);
    hashed = size != 0 && calc(file, &size, lookup.hash.data(), 0);
  }
  if (!hashed)
    throw PlatformError("CryptCATAdminCalcHashFromFileHandle", std::string(subject),
                        static_cast<Status>(::GetLastError()));
  lookup.hash.resize(size);
  return lookup;
}

// The signature of the catalogue of Windows' own that lists the file, as
// Windows' own programs are signed; nothing when none lists it.
std::optional<Signature> signature_in_catalogs(const std::wstring& path, std::string_view subject) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, kFileShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (means_no_file(error)) return Signature{};
    throw PlatformError("CreateFile", std::string(subject), static_cast<Status>(error));
  }
  const auto enum_catalog =
      required<EnumCatalogFromHashFn>(wintrust(), "CryptCATAdminEnumCatalogFromHash", subject);
  const auto catalog_info =
      required<CatalogInfoFromContextFn>(wintrust(), "CryptCATCatalogInfoFromContext", subject);
  for (const bool sha256 : {true, false}) {
    std::optional<CatalogLookup> lookup = hash_for_catalogs(sha256, file.get(), subject);
    if (!lookup) continue;
    HCATINFO listed = enum_catalog(lookup->admin.get(), lookup->hash.data(),
                                   static_cast<DWORD>(lookup->hash.size()), 0, nullptr);
    if (listed == nullptr) continue;
    const CatalogFound catalog(lookup->admin.get(), listed);
    CATALOG_INFO info{};
    info.cbStruct = sizeof(info);
    if (!catalog_info(catalog.get(), &info, 0)) continue;
    const std::wstring tag = upper_hex(lookup->hash);
    WINTRUST_CATALOG_INFO member{};
    member.cbStruct = sizeof(member);
    member.pcwszCatalogFilePath = info.wszCatalogFile;
    member.pcwszMemberTag = tag.c_str();
    member.pcwszMemberFilePath = path.c_str();
    member.hMemberFile = file.get();
    member.pbCalculatedFileHash = lookup->hash.data();
    member.cbCalculatedFileHash = static_cast<DWORD>(lookup->hash.size());
    member.hCatAdmin = lookup->admin.get();  // says which kind of hash the tag is
    const Verification verification(WTD_CHOICE_CATALOG, &member, subject);
    return judged(verification, subject);
  }
  return std::nullopt;
}

// A CNG status as the Win32 error it stands for, which has words.
Status win32_status_of(NTSTATUS status) {
  const auto to_dos = reinterpret_cast<RtlNtStatusToDosErrorFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
  return static_cast<Status>(to_dos != nullptr ? to_dos(status) : status);
}

void check_cng(NTSTATUS status, const char* operation, std::string_view subject) {
  if (!BCRYPT_SUCCESS(status))
    throw PlatformError(operation, std::string(subject), win32_status_of(status));
}

std::string lower_hex(const BYTE* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0xF];
  }
  return text;
}

}  // namespace

bool RemoteDrives::is_remote(wchar_t letter) {
  const wchar_t root[] = {letter, L':', L'\\', L'\0'};
  const auto upper = static_cast<wchar_t>(letter & ~0x20);  // A for a
  if (upper < L'A' || upper > L'Z') return ::GetDriveTypeW(root) == DRIVE_REMOTE;
  std::optional<bool>& known = remote_[upper - L'A'];
  if (!known) known = ::GetDriveTypeW(root) == DRIVE_REMOTE;
  return *known;
}

std::optional<std::wstring> local_file(std::string_view path, RemoteDrives& drives) {
  const std::wstring full = api_path(narrow(full_path(widen(path))));
  if (is_on_network(full, drives)) return std::nullopt;
  const DWORD attributes = ::GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (means_no_file(error)) return std::nullopt;
    throw PlatformError("GetFileAttributes", std::string(path), static_cast<Status>(error));
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return full;
}

Signature check_signature(const std::wstring& file, std::string_view subject) {
  WINTRUST_FILE_INFO embedded{};
  embedded.cbStruct = sizeof(embedded);
  embedded.pcwszFilePath = file.c_str();
  const Verification verification(WTD_CHOICE_FILE, &embedded, subject);
  Signature signature = judged(verification, subject);
  if (signature.state == SignatureState::kNotSigned) {
    if (std::optional<Signature> listed = signature_in_catalogs(file, subject)) return *listed;
  } else if (signature.state != SignatureState::kNotChecked && !signature.signer) {
    signature.signer = signer_in_file(file);
  }
  return signature;
}

FileHasher::~FileHasher() {
  if (algorithm_ == nullptr) return;
  using Close = CloseAlgorithmProviderFn;
  if (auto call = bcrypt().function<Close>("BCryptCloseAlgorithmProvider")) call(algorithm_, 0);
}

std::string FileHasher::sha256(const std::wstring& file, std::string_view subject) {
  if (algorithm_ == nullptr) {
    const auto open =
        required<OpenAlgorithmProviderFn>(bcrypt(), "BCryptOpenAlgorithmProvider", subject);
    check_cng(open(&algorithm_, BCRYPT_SHA256_ALGORITHM, nullptr, 0), "BCryptOpenAlgorithmProvider",
              subject);
  }
  const auto create = required<CreateHashFn>(bcrypt(), "BCryptCreateHash", subject);
  const auto hash_data = required<HashDataFn>(bcrypt(), "BCryptHashData", subject);
  const auto finish = required<FinishHashFn>(bcrypt(), "BCryptFinishHash", subject);

  // Shared for every access, so that a program that is running, or a file
  // another program holds open, is still read.
  UniqueFile opened(::CreateFileW(file.c_str(), GENERIC_READ, kFileShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!opened)
    throw PlatformError("ReadFile", std::string(subject), static_cast<Status>(::GetLastError()));
  UniqueHash hash;
  check_cng(create(algorithm_, hash.put(), nullptr, 0, nullptr, 0, 0), "BCryptCreateHash", subject);
  std::vector<UCHAR> chunk(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(opened.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
      throw PlatformError("ReadFile", std::string(subject), static_cast<Status>(::GetLastError()));
    if (got == 0) break;
    check_cng(hash_data(hash.get(), chunk.data(), got, 0), "BCryptHashData", subject);
  }
  std::array<UCHAR, 32> digest{};
  check_cng(finish(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0),
            "BCryptFinishHash", subject);
  return lower_hex(digest.data(), digest.size());
}

}  // namespace rw::win32
