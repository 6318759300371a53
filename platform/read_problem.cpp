#include "platform/read_problem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/gbk.h"
#include "platform/text_file.h"

namespace platform {

ReadProblem readProblemOf(std::string_view gbkName) {
  const std::optional<std::string> path =
      isSafeFileName(gbkName) ? gbkToUtf8(gbkName) : std::nullopt;
  if (!path) return ReadProblem::kUnsafeName;
  struct stat info {};
  if (::stat(path->c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadProblem::kMissing;
    return errno == EACCES ? ReadProblem::kNoPermission : ReadProblem::kOther;
  }
  if (!S_ISREG(info.st_mode)) return ReadProblem::kNotRegularFile;
  const int fd = ::open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return errno == EACCES || errno == EPERM ? ReadProblem::kNoPermission : ReadProblem::kOther;
  ::close(fd);
  return ReadProblem::kOther;
}

}  // namespace platform
