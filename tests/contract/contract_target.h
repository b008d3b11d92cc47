// What the contract suite needs of a platform implementation: its registry
// and files, a scratch registry key and a scratch folder of its own, and the
// few things a test must arrange that the interface itself does not offer.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "signed_programs.h"

namespace rw::contract {

class ContractTarget {
 public:
  virtual ~ContractTarget() = default;
  virtual Registry& registry() = 0;
  virtual FileSystem& files() = 0;
  virtual Folders& folders() = 0;
  virtual StatusText& status_text() = 0;
  // A fresh key path under HKEY_CURRENT_USER that the test may fill; removed
  // afterwards by the target.
  virtual std::string scratch_key() = 0;
  // A fresh key path under HKEY_LOCAL_MACHINE that begins with "SOFTWARE\",
  // removed afterwards from both its views.
  virtual std::string scratch_machine_key() = 0;
  // A fresh settings-store application name; its whole key under
  // "Software\VB and VBA Program Settings" is removed afterwards.
  virtual std::string scratch_application() = 0;
  // A fresh, empty folder ("\"-separated path), removed afterwards.
  virtual std::string scratch_folder() = 0;
  virtual void write_file(const std::string& path, const std::string& content) = 0;
  virtual std::string read_file(const std::string& path) = 0;
  virtual void set_attributes(const std::string& path, std::uint32_t attributes) = 0;
  // A string value under the scratch key whose name holds a NUL: the registry
  // allows it, though RegSetValueExW cannot make one.
  virtual void put_value_with_nul(const std::string& key, const std::string& name,
                                  const std::string& text) = 0;
  virtual TextRules& text_rules() = 0;
  virtual Programs& programs() = 0;
  // Sets an environment variable of this process, as it was before afterwards.
  virtual void set_environment_variable(const std::string& name, const std::string& value) = 0;
  // A drive letter mapped to a network share for the case, removed
  // afterwards; nothing where the target cannot make one.
  virtual std::optional<char> network_drive() = 0;
  // A real shortcut at the path to the target, with the arguments.
  virtual void write_shortcut(const std::string& path, const std::string& target,
                              const std::string& arguments) = 0;
  virtual TaskScheduler& task_scheduler() = 0;
  // A fresh task folder's path ("\RunwardenContract..."), removed afterwards
  // with the tasks placed in it.
  virtual std::string scratch_task_folder() = 0;
  // Places a task at the path, its folders made as needed, with the XML as
  // its definition, which says whether it is enabled. Under Wine it is a
  // task file copied in (UTF-16 with a byte order mark), as Task Scheduler
  // keeps it: Wine's registering would drop the triggers and the command.
  virtual void place_task(const std::string& path, bool enabled, const std::string& xml) = 0;
  // What Task Scheduler keeps of the task: under Wine its file's bytes.
  virtual std::string kept_task(const std::string& path) = 0;
  // A program file of the kind at the path (see signed_programs.h), whose
  // signature then checks as it would on a computer that trusts the test
  // root. Place every program a case needs before its first signature
  // check: Windows reads the roots it trusts once in a process. False when
  // the target has no such program (the signed programs were not built).
  virtual bool place_program(const std::string& path, signed_programs::Kind kind) = 0;
  // The SHA-256 of a content a case writes, for a target that cannot work
  // it out itself (the substitute); the Win32 layer ignores it.
  virtual void tell_sha256(const std::string& content, const std::string& hex) = 0;
};

// Each test program supplies the implementation it checks.
std::unique_ptr<ContractTarget> make_contract_target();

}  // namespace rw::contract
