#include "bench/clan_fixture.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "core/family_tree.h"

namespace quillet::bench {
namespace {

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "bench set-up: %s\n", why.c_str());
  std::exit(1);
}

// Removes a directory tree of plain files and directories.
void removeTree(const std::string& path) {
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string child = path + "/" + name;
      struct stat info {};
      if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        removeTree(child);
      } else {
        unlink(child.c_str());
      }
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}

std::string readWhole(const std::string& fileName) {
  std::string bytes;
  const int fd = open(fileName.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  char buffer[1 << 16];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return bytes;
}

void writeWhole(const std::string& fileName, const std::string& bytes) {
  const int fd = open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) fail("cannot create " + fileName);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) fail("cannot write " + fileName);
    done += static_cast<std::size_t>(put);
  }
  close(fd);
}

class TemporaryRoot {
 public:
  TemporaryRoot() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quillet-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fail("cannot make a temporary directory");
    path_ = pattern;
  }
  ~TemporaryRoot() { removeTree(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TemporaryRoot& temporaryRoot() {
  static TemporaryRoot root;
  return root;
}

// Loading the clan and saving it again must give the generator's bytes.
void checkRoundTrip(const Clan& clan) {
  const std::string directory = scratchDirectory("check-" + std::to_string(clan.size));
  writeWhole(directory + "/home.txt", clan.genealogy.fileBytes);
  if (chdir(directory.c_str()) != 0) fail("cannot enter " + directory);
  FamilyTree tree;
  if (!tree.load() || tree.personCount() != clan.size) fail("the generated clan does not load");
  if (!tree.save()) fail("the generated clan does not save");
  if (readWhole(directory + "/home.txt") != clan.genealogy.fileBytes) {
    fail("load and save of the generated clan of " + std::to_string(clan.size) +
         " persons changed its bytes");
  }
}

}  // namespace

const Clan& clanOf(std::int64_t size) {
  static std::map<std::int64_t, std::unique_ptr<Clan>> clans;
  std::unique_ptr<Clan>& clan = clans[size];
  if (!clan) {
    clan = std::make_unique<Clan>();
    clan->size = static_cast<std::int32_t>(size);
    clan->genealogy = tools::generateGenealogy(clan->size);
    clan->directory = scratchDirectory("clan-" + std::to_string(size));
    clan->fileName = clan->directory + "/home.txt";
    writeWhole(clan->fileName, clan->genealogy.fileBytes);
    checkRoundTrip(*clan);
  }
  return *clan;
}

void enterClan(const Clan& clan) {
  if (chdir(clan.directory.c_str()) != 0) fail("cannot enter " + clan.directory);
}

std::string scratchDirectory(const std::string& name) {
  const std::string path = temporaryRoot().path() + "/" + name;
  removeTree(path);
  if (mkdir(path.c_str(), 0755) != 0) fail("cannot make " + path);
  return path;
}

NameKey nameKeyOf(const std::string& name) {
  NameKey key{};
  makeNameKey(name, key);
  return key;
}

}  // namespace quillet::bench
