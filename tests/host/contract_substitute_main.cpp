// The contract suite against the substitute platform.
#include <cctype>

#include "contract/contract_target.h"
#include "platform/substitute/substitute.h"

namespace rw::contract {

namespace {
class SubstituteTarget final : public ContractTarget {
 public:
  Registry& registry() override { return os_.registry; }
  FileSystem& files() override { return os_.files; }
  Folders& folders() override { return os_.folders; }
  StatusText& status_text() override { return os_.status_text; }
  std::string scratch_key() override {
    return "Software\\RunwardenContract\\Case" + std::to_string(++keys_);
  }
  std::string scratch_machine_key() override {
    return "SOFTWARE\\RunwardenContract\\Case" + std::to_string(++keys_);
  }
  std::string scratch_application() override {
    return "RunwardenContract" + std::to_string(++keys_);
  }
  std::string scratch_folder() override {
    const std::string folder = os_.root() + "\\scratch" + std::to_string(++folders_);
    os_.files.make_dir(folder);
    return folder;
  }
  void write_file(const std::string& path, const std::string& content) override {
    os_.files.write_file(path, content);
  }
  std::string read_file(const std::string& path) override {
    return os_.files.read_file(path).value_or("<missing>");
  }
  void set_attributes(const std::string& path, std::uint32_t attributes) override {
    os_.files.set_attributes(path, attributes);
  }
  void put_value_with_nul(const std::string& key, const std::string& name,
                          const std::string& text) override {
    os_.registry.put_string(kHkeyCurrentUser, key, name, text);
  }
  TextRules& text_rules() override { return os_.text_rules; }
  Programs& programs() override { return os_.programs; }
  void set_environment_variable(const std::string& name, const std::string& value) override {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    os_.programs.environment[upper] = value;
  }
  std::optional<char> network_drive() override {
    os_.folders.network_drives.insert('N');
    return 'N';
  }
  void write_shortcut(const std::string& path, const std::string& target,
                      const std::string& arguments) override {
    os_.files.write_file(path, substitute::SubstitutePrograms::shortcut_content(target, arguments));
  }
  TaskScheduler& task_scheduler() override { return os_.tasks; }
  std::string scratch_task_folder() override {
    return "\\RunwardenContract" + std::to_string(++folders_);
  }
  void place_task(const std::string& path, bool enabled, const std::string& xml) override {
    os_.tasks.put(path, enabled, xml);
  }
  std::string kept_task(const std::string& path) override {
    const std::optional<ScheduledTask> task = os_.tasks.get(path);
    return task ? std::to_string(task->enabled) + task->definition : "<missing>";
  }
  bool place_program(const std::string& path, signed_programs::Kind kind) override {
    const signed_programs::File& file = signed_programs::file_of(kind);
    os_.files.write_file(path, "MZ " + std::string(file.name));
    if (file.state != SignatureState::kNotSigned)
      os_.programs.signatures[path] = signed_programs::expected_signature(file);
    return true;
  }
  void tell_sha256(const std::string& content, const std::string& hex) override {
    os_.programs.sha256_of_content[content] = hex;
  }

 private:
  substitute::SubstitutePlatform os_;
  int keys_ = 0;
  int folders_ = 0;
};
}  // namespace

std::unique_ptr<ContractTarget> make_contract_target() {
  return std::make_unique<SubstituteTarget>();
}

}  // namespace rw::contract
