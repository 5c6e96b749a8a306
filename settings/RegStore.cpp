#include "settings/RegStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace sandloop {

namespace {

// Larger files are not settings files; they are treated as damaged rather
// than read into memory.
constexpr off_t kMaxFileSize = off_t{16} * 1024 * 1024;

std::string DirName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates every missing folder of `dir` (private to the user, as a
// configuration folder should be).
bool MakeDirs(const std::string& dir) {
  struct stat st{};
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = DirName(dir);
  if (parent != dir && !MakeDirs(parent)) return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// An exclusive lock on the companion lock file, held while alive. The lock
// file itself is never removed: removing it would let two processes hold
// locks on different files.
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::string& store_path) {
    fd_ = open((store_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~ExclusiveLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::string TimeStamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

}  // namespace

std::string DefaultStorePath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') {
      base = home;
    } else {
      // No HOME: the account's home folder from the user database.
      struct passwd pw{};
      struct passwd* found = nullptr;
      char buf[4096];
      if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found) base = found->pw_dir;
    }
    base += "/.config";
  }
  return base + "/sandloop/registry.reg";
}

RegStore::RegStore(std::string path, Reporter reporter)
    : path_(std::move(path)), reporter_(std::move(reporter)) {}

RegStore::LoadStatus RegStore::Load(RegDocument* doc, RegParseError* error) const {
  int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? LoadStatus::Missing : LoadStatus::Unreadable;
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return LoadStatus::Unreadable;
  }
  if (st.st_size > kMaxFileSize) {
    close(fd);
    *error = {0, "the file is too large to be a settings file"};
    return LoadStatus::Damaged;
  }
  std::string bytes;
  char buf[8192];
  while (true) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return LoadStatus::Unreadable;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
    if (bytes.size() > static_cast<std::size_t>(kMaxFileSize)) {
      close(fd);
      *error = {0, "the file is too large to be a settings file"};
      return LoadStatus::Damaged;
    }
  }
  close(fd);
  std::optional<RegDocument> parsed = RegDocument::Parse(bytes, error);
  if (!parsed) return LoadStatus::Damaged;
  *doc = std::move(*parsed);
  return LoadStatus::Ok;
}

void RegStore::Report(const std::string& message) const {
  std::fprintf(stderr, "sandloop: %s\n", message.c_str());
  if (reporter_) reporter_(message);
}

std::string RegStore::Describe(const RegParseError& error) {
  return (error.line > 0 ? "line " + std::to_string(error.line) + ": " : "") + error.reason;
}

bool RegStore::SetAside(const RegParseError& error) const {
  std::string base = path_ + ".damaged-" + TimeStamp();
  std::string aside = base;
  struct stat st{};
  for (int n = 1; lstat(aside.c_str(), &st) == 0 && n < 1000; ++n) aside = base + "." + std::to_string(n);
  const char* why = "no free name";
  if (lstat(aside.c_str(), &st) != 0) {
    if (rename(path_.c_str(), aside.c_str()) == 0) why = nullptr;
    else why = std::strerror(errno);
  }
  if (why) {
    Report("the settings file '" + path_ + "' is damaged (" + Describe(error) +
           ") and could not be moved aside (" + why +
           "); it is left as it is and the settings start from their defaults");
    return false;
  }
  Report("the settings file '" + path_ + "' is damaged (" + Describe(error) +
         "); it was kept as '" + aside + "' and the settings start again from their defaults");
  return true;
}

std::optional<RegDocument> RegStore::Read() const {
  RegDocument doc;
  RegParseError error;
  LoadStatus status = Load(&doc, &error);
  if (status == LoadStatus::Ok) return doc;
  if (status != LoadStatus::Damaged) return std::nullopt;

  // Damaged: look again under the lock, since a writer may have replaced
  // the file meanwhile, and move it aside only if it is still damaged.
  ExclusiveLock lock(path_);
  if (!lock.Held()) {
    // Without the lock a writer could be replacing the file right now, so
    // it is only reported, not moved.
    Report("the settings file '" + path_ + "' is damaged (" + Describe(error) +
           ") and is left as it is; the settings start from their defaults");
    return std::nullopt;
  }
  status = Load(&doc, &error);
  if (status == LoadStatus::Ok) return doc;
  if (status == LoadStatus::Damaged) SetAside(error);
  return std::nullopt;
}

RegStore::UpdateResult RegStore::Update(const std::function<void(RegDocument&)>& change) const {
  const std::string dir = DirName(path_);
  if (!MakeDirs(dir)) return UpdateResult::NotOpened;
  ExclusiveLock lock(path_);
  if (!lock.Held()) return UpdateResult::NotOpened;

  RegDocument doc;
  RegParseError error;
  mode_t mode = 0;
  bool keep_mode = false;  // a new file gets the default permissions (umask)
  switch (Load(&doc, &error)) {
    case LoadStatus::Ok: {
      struct stat st{};
      if (stat(path_.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
        keep_mode = true;
      }
      break;
    }
    case LoadStatus::Missing:
      break;
    case LoadStatus::Unreadable:
      return UpdateResult::NotOpened;
    case LoadStatus::Damaged:
      // Never overwrite a file that could not be read.
      if (!SetAside(error)) return UpdateResult::Failed;
      doc = RegDocument();
      break;
  }
  change(doc);

  // The temporary name is fixed: only the lock holder writes it, and a
  // leftover from a writer that died is simply overwritten.
  const std::string tmp = path_ + ".tmp";
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return UpdateResult::Failed;
  bool ok = (!keep_mode || fchmod(fd, mode) == 0) && WriteAll(fd, doc.Serialize()) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (!ok || rename(tmp.c_str(), path_.c_str()) != 0) {
    unlink(tmp.c_str());
    return UpdateResult::Failed;
  }
  // Make the rename itself durable.
  int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return UpdateResult::Written;
}

}  // namespace sandloop
