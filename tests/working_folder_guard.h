// Puts the process's working folder back when a test that enters another one ends (finding
// the program's location enters its folder), so the tests after it see the folder the
// runner started them in.
#ifndef ROLLCALL_TESTS_WORKING_FOLDER_GUARD_H_
#define ROLLCALL_TESTS_WORKING_FOLDER_GUARD_H_

#include <filesystem>
#include <system_error>

namespace rc::testing {

class WorkingFolderGuard {
 public:
  WorkingFolderGuard() : saved_(std::filesystem::current_path()) {}
  ~WorkingFolderGuard() {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
  }
  WorkingFolderGuard(const WorkingFolderGuard&) = delete;
  WorkingFolderGuard& operator=(const WorkingFolderGuard&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace rc::testing

#endif  // ROLLCALL_TESTS_WORKING_FOLDER_GUARD_H_
