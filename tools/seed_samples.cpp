// Puts Runwarden's sample entries into the Wine prefix it runs in. run.sh
// runs it once, right after it has created its sandbox prefix. It refuses to
// run anywhere but under Wine: on Windows it would add to the real startup
// programs of the machine.
#include <cstdio>

#include "support/wine_support.h"
#include "tools/sample_entries.h"

int main() {
  if (!rw::wine_support::running_under_wine()) {
    std::fputs(
        "seed_samples adds sample entries to the programs started at logon; it runs only "
        "under Wine, in a prefix made for trying Runwarden out.\n",
        stderr);
    return 2;
  }
  const std::vector<std::string> failures = rw::tools::write_sample_entries();
  for (const std::string& failure : failures) std::fprintf(stderr, "%s\n", failure.c_str());
  if (!failures.empty()) return 1;
  std::printf("Wrote %zu sample entries.\n", rw::tools::kSampleEntries.size());
  return 0;
}
