#include "catalogue/program_dialog.h"

#include "catalogue/messages.h"

namespace rw {

OpenFileRequest program_file_request(std::uint32_t flags) {
  OpenFileRequest request;
  request.flags = flags;
  request.filter = "Programs|*.exe;*.com;*.bat|All files|*.*|";
  request.filter_index = 0;
  request.title = titled(": Select application");
  return request;
}

std::string quoted_when_spaced(std::string_view path) {
  if (path.find(' ') == std::string_view::npos) return std::string(path);
  std::string quoted;
  quoted.reserve(path.size() + 2);
  quoted.push_back('"');
  quoted.append(path);
  quoted.push_back('"');
  return quoted;
}

}  // namespace rw
