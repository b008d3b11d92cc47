// Puts Runwarden's sample entries into the Wine prefix it runs in. run.sh
// runs it once, right after it has created its sandbox prefix. It refuses to
// run anywhere but under Wine: on Windows it would add to the real startup
// programs of the machine.
#include <cstdio>

#include "tools/sample_entries.h"

int main() {
  using namespace rw::tools;
  if (!running_under_wine()) {
    std::fputs(
        "seed_samples adds sample entries to the programs started at logon; it runs only "
        "under Wine, in a prefix made for trying Runwarden out.\n",
        stderr);
    return 2;
  }
  const ComApartment com;
  if (FAILED(com.result())) {
    std::fprintf(stderr, "seed_samples cannot start COM (error 0x%08lx).\n",
                 static_cast<unsigned long>(com.result()));
    return 1;
  }
  const std::vector<std::string> failures = write_sample_entries();
  for (const std::string& failure : failures) std::fprintf(stderr, "%s\n", failure.c_str());
  if (!failures.empty()) return 1;
  std::printf("Wrote %zu sample entries.\n", kSampleEntries.size());
  return 0;
}
