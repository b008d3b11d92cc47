// Task Scheduler 2.0 (ITaskService) behind the platform interface: every
// task of every folder with its definition, switching a task on and off, and
// the user whose logon a trigger may name.
#include <windows.h>
// after windows.h, which they need
#include <sddl.h>
#include <taskschd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/com.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"

namespace rw::win32 {

namespace {

constexpr const char* kRootFolder = "\\";

PlatformError failure(const char* operation, std::string_view subject, HRESULT result) {
  return PlatformError(operation, std::string(subject), static_cast<Status>(status_of(result)));
}

void check(HRESULT result, const char* operation, std::string_view subject) {
  if (FAILED(result)) throw failure(operation, subject, result);
}

[[noreturn]] void raise_last_error(const char* operation, std::string_view subject) {
  throw PlatformError(operation, std::string(subject), static_cast<Status>(::GetLastError()));
}

std::string task_path(std::string_view folder, std::string_view name) {
  return std::string(folder) + (folder == kRootFolder ? "" : "\\") + std::string(name);
}

// Task Scheduler reached, with COM started on this thread for as long as it is.
class Connection {
 public:
  Connection() {
    check(create_instance(CLSID_TaskScheduler, IID_ITaskService, service_.put()),
          "CoCreateInstance(TaskScheduler)", kRootFolder);
    const VARIANT none{};  // VT_EMPTY: this computer, this user
    check(service_->Connect(none, none, none, none), "ITaskService::Connect", kRootFolder);
  }
  ComPtr<ITaskFolder> root_folder() {
    ComPtr<ITaskFolder> root;
    check(service_->GetFolder(ComString(L"\\").get(), root.put_typed()), "ITaskService::GetFolder",
          kRootFolder);
    return root;
  }

 private:
  ComScope com_;  // first in, last out: the objects below are released before COM ends
  ComPtr<ITaskService> service_;
};

std::string text_of(HRESULT result, ComString& text, const char* operation,
                    std::string_view subject) {
  check(result, operation, subject);
  return narrow(text.view());
}

bool is_enabled(IRegisteredTask& task, std::string_view path) {
  VARIANT_BOOL enabled = VARIANT_FALSE;
  check(task.get_Enabled(&enabled), "IRegisteredTask::get_Enabled", path);
  return enabled != VARIANT_FALSE;
}

VARIANT index_variant(LONG index) {
  VARIANT variant{};
  variant.vt = VT_I4;
  variant.lVal = index;
  return variant;
}

// Whether the object model gives a task's definition whole. Wine 8's leaves
// out the triggers and the command ("<Triggers/>" and an empty "<Exec/>" in
// its XML), and tells it by answering E_NOTIMPL for the triggers' count.
bool object_model_defines_whole(IRegisteredTask& task) {
  ComPtr<ITaskDefinition> definition;
  ComPtr<ITriggerCollection> triggers;
  LONG count = 0;
  HRESULT result = task.get_Definition(definition.put_typed());
  if (SUCCEEDED(result)) result = definition->get_Triggers(triggers.put_typed());
  if (SUCCEEDED(result)) result = triggers->get_Count(&count);
  return result != E_NOTIMPL;
}

// Wine 8's Task Scheduler reads a task file with its own XML reader, in this
// process, and that reader overruns a buffer on a run of text longer than
// about 7,000 characters: the process ends. A file with a longer run is not
// handed to it; well below that limit every task file seen so far reads.
constexpr std::size_t kLongestRunWineReads = 4096;

// The most bytes between two markup signs: an upper bound on the
// characters of any text or tag in the file.
std::size_t longest_text_run(std::string_view text) {
  std::size_t longest = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find_first_of("<>", start), text.size());
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

// One reading of every folder. A folder or task that fails is noted and the
// walk goes on with the others.
class TaskWalk {
 public:
  explicit TaskWalk(TaskList& out) : out_(out) {
    std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
    const UINT length = ::GetSystemDirectoryW(buffer.data(), MAX_PATH);
    task_files_ = narrow(std::wstring_view(buffer.data(), length)) + "\\Tasks";
  }

  void read_folder(ITaskFolder& folder, const std::string& path) {
    noting([&] { read_tasks_of(folder, path); });
    ComPtr<ITaskFolderCollection> folders;
    LONG count = 0;
    try {
      check(folder.GetFolders(0, folders.put_typed()), "ITaskFolder::GetFolders", path);
      check(folders->get_Count(&count), "ITaskFolderCollection::get_Count", path);
    } catch (const PlatformError& error) {
      out_.problems.push_back(error);
      return;
    }
    for (LONG index = 1; index <= count; ++index) {
      ComPtr<ITaskFolder> inner;
      ComString inner_path;
      std::string where;
      noting([&] {
        check(folders->get_Item(index_variant(index), inner.put_typed()),
              "ITaskFolderCollection::get_Item", path);
        where =
            text_of(inner->get_Path(inner_path.put()), inner_path, "ITaskFolder::get_Path", path);
      });
      if (!where.empty()) read_folder(*inner.get(), where);
    }
  }

 private:
  template <typename Call>
  void noting(Call call) {
    try {
      call();
    } catch (const PlatformError& error) {
      out_.problems.push_back(error);
    }
  }

  void read_tasks_of(ITaskFolder& folder, const std::string& path) {
    ComPtr<IRegisteredTaskCollection> tasks;
    LONG count = 0;
    check(folder.GetTasks(TASK_ENUM_HIDDEN, tasks.put_typed()), "ITaskFolder::GetTasks", path);
    const HRESULT result = tasks->get_Count(&count);
    if (result == E_NOTIMPL) {
      read_task_files(folder, path);
      return;
    }
    check(result, "IRegisteredTaskCollection::get_Count", path);
    for (LONG index = 1; index <= count; ++index) {
      noting([&] {
        ComPtr<IRegisteredTask> task;
        check(tasks->get_Item(index_variant(index), task.put_typed()),
              "IRegisteredTaskCollection::get_Item", path);
        out_.tasks.push_back(read_registered(*task.get(), path));
      });
    }
  }

  ScheduledTask read_registered(IRegisteredTask& task, const std::string& folder) {
    ComString text;
    ScheduledTask found;
    found.path = text_of(task.get_Path(text.put()), text, "IRegisteredTask::get_Path", folder);
    found.name = text_of(task.get_Name(text.put()), text, "IRegisteredTask::get_Name", found.path);
    found.enabled = is_enabled(task, found.path);
    if (!whole_definitions_) whole_definitions_ = object_model_defines_whole(task);
    found.definition = *whole_definitions_ ? text_of(task.get_Xml(text.put()), text,
                                                     "IRegisteredTask::get_Xml", found.path)
                                           : task_file_definition(found.path);
    return found;
  }

  // Where the object model cannot list a folder's tasks (Wine 8 answers
  // E_NOTIMPL), the folder's task files are read, and each task is looked up
  // by its path for its state. Windows lists them and never comes here.
  void read_task_files(ITaskFolder& folder, const std::string& path) {
    const std::string files_folder = task_file(path);
    for (const std::string& name :
         files_.dir(files_folder + "\\*", attr::kHidden | attr::kSystem)) {
      noting([&] {
        ScheduledTask found{task_path(path, name), name, false, task_file_definition(path, name)};
        if (longest_text_run(found.definition) > kLongestRunWineReads) {
          throw PlatformError("ITaskFolder::GetTask", found.path, ERROR_NOT_SUPPORTED);
        }
        ComPtr<IRegisteredTask> task;
        check(folder.GetTask(ComString(widen(name)).get(), task.put_typed()),
              "ITaskFolder::GetTask", found.path);
        found.enabled = is_enabled(*task.get(), found.path);
        out_.tasks.push_back(std::move(found));
      });
    }
  }

  std::string task_file(const std::string& path) const {
    return path == kRootFolder ? task_files_ : task_files_ + path;
  }

  std::string task_file_definition(const std::string& folder, const std::string& name) {
    return task_file_definition(task_path(folder, name));
  }
  std::string task_file_definition(const std::string& path) {
    const std::string file = task_file(path);
    const std::optional<std::string> bytes = files_.file_content(file);
    if (!bytes) throw PlatformError("ReadFile", file, ERROR_FILE_NOT_FOUND);
    return task_file_text(*bytes);
  }

  TaskList& out_;
  Win32Files files_;
  std::string task_files_;  // %SystemRoot%\System32\Tasks, where Task Scheduler keeps its files
  std::optional<bool> whole_definitions_;  // asked of the first task listed
};

}  // namespace

TaskList Win32TaskScheduler::read_tasks() {
  Connection connection;
  ComPtr<ITaskFolder> root = connection.root_folder();
  TaskList list;
  TaskWalk(list).read_folder(*root.get(), kRootFolder);
  return list;
}

bool Win32TaskScheduler::set_enabled(std::string_view path, bool enabled) {
  Connection connection;
  ComPtr<ITaskFolder> root = connection.root_folder();
  const ComString wide_path(widen(path));
  ComPtr<IRegisteredTask> task;
  check(root->GetTask(wide_path.get(), task.put_typed()), "ITaskFolder::GetTask", path);
  check(task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE), "IRegisteredTask::put_Enabled",
        path);
  // Looked up anew, so that the state is what Task Scheduler holds, not
  // what this object remembers of the call.
  ComPtr<IRegisteredTask> again;
  check(root->GetTask(wide_path.get(), again.put_typed()), "ITaskFolder::GetTask", path);
  return is_enabled(*again.get(), path);
}

namespace {

struct Account {
  std::string name;
  std::string domain;
};

std::optional<Account> account_of(PSID sid) {
  DWORD name_size = 0, domain_size = 0;
  SID_NAME_USE use{};
  ::LookupAccountSidW(nullptr, sid, nullptr, &name_size, nullptr, &domain_size, &use);
  std::vector<wchar_t> name(name_size + 1, L'\0'), domain(domain_size + 1, L'\0');
  if (!::LookupAccountSidW(nullptr, sid, name.data(), &name_size, domain.data(), &domain_size,
                           &use)) {
    return std::nullopt;
  }
  return Account{narrow(name.data()), narrow(domain.data())};
}

}  // namespace

TaskUser Win32TaskScheduler::current_user() {
  constexpr const char* kSubject = "process token";
  UniqueKernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
    raise_last_error("OpenProcessToken", kSubject);
  }
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
    raise_last_error("GetTokenInformation", kSubject);
  }
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
  TaskUser user;
  {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) raise_last_error("ConvertSidToStringSid", kSubject);
    const UniqueLocalMemory owner(text);
    user.sid = narrow(text);
  }
  // An account that cannot be looked up (its domain out of reach) is still
  // known by its SID, which is how a trigger names it most often.
  if (const std::optional<Account> account = account_of(sid)) {
    user.name = account->name;
    user.domain = account->domain;
  }
  return user;
}

std::optional<std::string> Win32TaskScheduler::account_name(std::string_view sid) {
  // The conversion also takes SDDL's aliases ("BA", "SY"), which are no SIDs,
  // and Wine reads the empty text as the NULL SID.
  if (!sid.starts_with("S-")) return std::nullopt;
  PSID binary = nullptr;
  if (!::ConvertStringSidToSidW(widen(sid).c_str(), &binary)) return std::nullopt;
  const UniqueLocalMemory owner(binary);
  const std::optional<Account> account = account_of(binary);
  if (!account) return std::nullopt;
  return account->domain.empty() ? account->name : account->domain + "\\" + account->name;
}

}  // namespace rw::win32
