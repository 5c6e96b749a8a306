#include "settings/posix/RegStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "kit/os/FileLock.h"
#include "kit/os/Folders.h"

namespace sandloop {

namespace {

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
    held_ = lock_.Open(store_path + ".lock") && lock_.Lock();
  }
  bool Held() const { return held_; }

 private:
  os::FileLock lock_;
  bool held_ = false;
};

std::string TimeStamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// A list of the lost lines for a report: the value's name where it could
// be read, its line and why.
std::string ListLost(const std::vector<RegLostLine>& lost) {
  std::string out;
  for (const RegLostLine& l : lost) {
    if (l.line == 0 && !l.names_value) continue;  // a fault of the whole file, not a value
    if (!out.empty()) out += "; ";
    if (l.names_value) {
      out += "'" + l.name + "' (line " + std::to_string(l.line) + ": " + l.reason + ")";
    } else {
      out += "line " + std::to_string(l.line) + " (" + l.reason + ")";
    }
  }
  return out.empty() ? "nothing" : out;
}

}  // namespace

std::string StorePathFrom(const char* xdg, const char* home, const char* account_home) {
  const std::string config = os::XdgFolderFrom(xdg, home, account_home, ".config");
  // No home: nowhere to keep the settings.
  return config.empty() ? std::string() : config + "/sandloop/registry.reg";
}

std::string DefaultStorePath() {
  const std::string config = os::UserFolderPath(os::UserFolder::Config);
  return config.empty() ? std::string() : config + "/sandloop/registry.reg";
}

RegStore::RegStore(std::string path, Reporter reporter)
    : path_(std::move(path)), reporter_(std::move(reporter)) {}

std::string RegStore::Target() const {
  std::string p = path_;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st{};
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string target(4096, '\0');
    ssize_t n = readlink(p.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return p;
    target.resize(static_cast<std::size_t>(n));
    p = target.front() == '/' ? target : DirName(p) + "/" + target;
  }
  return p;  // a loop of links: opening it fails
}

RegStore::Loaded RegStore::Load() const {
  Loaded out;
  const std::string target = Target();
  // Looked at before opening: a FIFO would block an open for reading until
  // a writer came, and a device could do anything.
  struct stat st{};
  if (stat(target.c_str(), &st) != 0) {
    out.status = errno == ENOENT ? LoadStatus::Missing : LoadStatus::Unreadable;
    return out;
  }
  if (!S_ISREG(st.st_mode)) {
    out.status = LoadStatus::NotRegular;
    out.what = KindOf(st.st_mode);
    return out;
  }
  // Non-blocking all the same, in case the path was swapped meanwhile.
  int fd = open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    out.status = errno == ENOENT ? LoadStatus::Missing : LoadStatus::Unreadable;
    return out;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    out.status = LoadStatus::NotRegular;
    out.what = KindOf(st.st_mode);
    return out;
  }
  out.mode = st.st_mode & 07777;
  if (st.st_size > kMaxStoreFileSize) {
    close(fd);
    out.status = LoadStatus::TooLarge;
    return out;
  }
  std::string& bytes = out.bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buf[8192];
  while (true) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      out.status = LoadStatus::Unreadable;
      return out;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
    if (bytes.size() > static_cast<std::size_t>(kMaxStoreFileSize)) {  // grew while being read
      close(fd);
      out.status = LoadStatus::TooLarge;
      return out;
    }
  }
  close(fd);
  std::optional<RegDocument> parsed = RegDocument::Parse(bytes, &out.error);
  if (!parsed) {
    out.status = LoadStatus::Damaged;
    return out;
  }
  out.doc = std::move(*parsed);
  out.bytes.clear();
  out.status = LoadStatus::Ok;
  return out;
}

void RegStore::Report(const std::string& message) const {
  std::fprintf(stderr, "sandloop: %s\n", message.c_str());
  if (reporter_) reporter_(message);
}

std::string RegStore::Describe(const RegParseError& error) {
  return (error.line > 0 ? "line " + std::to_string(error.line) + ": " : "") + error.reason;
}

std::string RegStore::KeepAside(bool keep_in_place) const {
  const std::string target = Target();
  const std::string base = target + ".damaged-" + TimeStamp();
  std::string aside = base;
  struct stat st{};
  for (int n = 1; lstat(aside.c_str(), &st) == 0 && n < 1000; ++n) aside = base + "." + std::to_string(n);
  if (lstat(aside.c_str(), &st) == 0) return std::string();
  if (keep_in_place && link(target.c_str(), aside.c_str()) == 0) return aside;
  // Without hard links (some file systems) the file is renamed instead.
  if (rename(target.c_str(), aside.c_str()) == 0) return aside;
  return std::string();
}

bool RegStore::Replace(const RegDocument& doc, bool keep_mode, mode_t mode) const {
  const std::string target = Target();
  // The temporary name is fixed: only the lock holder writes it, and a
  // leftover from a writer that died is removed first (whatever it is).
  const std::string tmp = target + ".tmp";
  unlink(tmp.c_str());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = (!keep_mode || fchmod(fd, mode) == 0) && WriteAll(fd, doc.Serialize()) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (!ok || rename(tmp.c_str(), target.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  // Make the rename itself durable.
  int dfd = open(DirName(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

std::optional<RegDocument> RegStore::Read(const Repair& repair) const {
  Loaded loaded = Load();
  switch (loaded.status) {
    case LoadStatus::Ok: return std::move(loaded.doc);
    case LoadStatus::Missing:
    case LoadStatus::Unreadable: return std::nullopt;
    case LoadStatus::NotRegular:
      Report("the settings file '" + path_ + "' is " + loaded.what +
             ", not a regular file; it is left alone, the settings start from their defaults and nothing is stored");
      return std::nullopt;
    case LoadStatus::TooLarge:
    case LoadStatus::Damaged: break;
  }

  // Look again under the lock, since a writer may have replaced the file
  // meanwhile, and keep it aside only if it is still damaged.
  ExclusiveLock lock(path_);
  if (!lock.Held()) {
    // Without the lock a writer could be replacing the file right now, so
    // it is only read, not moved.
    if (loaded.status == LoadStatus::TooLarge) {
      Report("the settings file '" + path_ + "' is too large to be a settings file and is left as it is; "
             "the settings start from their defaults");
      return std::nullopt;
    }
    std::vector<RegLostLine> lost;
    RegDocument salvaged = RegDocument::Salvage(loaded.bytes, &lost);
    if (repair) repair(salvaged);
    Report("the settings file '" + path_ + "' is damaged (" + Describe(loaded.error) +
           ") and is left as it is; the values that could be read are used; lost: " + ListLost(lost));
    return salvaged;
  }
  loaded = Load();
  switch (loaded.status) {
    case LoadStatus::Ok: return std::move(loaded.doc);
    case LoadStatus::Missing:
    case LoadStatus::Unreadable:
    case LoadStatus::NotRegular: return std::nullopt;
    case LoadStatus::TooLarge: {
      // Not parsed at all: a file this size could cost more memory than
      // the saver may use.
      const std::string aside = KeepAside(false);
      Report("the settings file '" + path_ + "' is too large to be a settings file (over " +
             std::to_string(kMaxStoreFileSize) + " bytes); " +
             (aside.empty() ? "it could not be moved aside and is left as it is"
                            : "it was kept unread as '" + aside + "'") +
             ", and the settings start again from their defaults");
      return std::nullopt;
    }
    case LoadStatus::Damaged: break;
  }
  std::vector<RegLostLine> lost;
  RegDocument salvaged = RegDocument::Salvage(loaded.bytes, &lost);
  if (repair) repair(salvaged);
  const std::string aside = KeepAside(true);
  if (aside.empty() || !Replace(salvaged, true, loaded.mode)) {
    // The damaged file stays where it is; it is read the same way next time.
    Report("the settings file '" + path_ + "' is damaged (" + Describe(loaded.error) +
           ") and could not be repaired; it is left as it is and the values that could be read are used; lost: " +
           ListLost(lost));
    return salvaged;
  }
  Report("the settings file '" + path_ + "' was damaged (" + Describe(loaded.error) + "); it was kept as '" +
         aside + "' and every value that could be read was kept; lost: " + ListLost(lost));
  return salvaged;
}

RegStore::UpdateResult RegStore::Update(const std::function<void(RegDocument&)>& change) const {
  const std::string target = Target();
  // Nothing is made beside a path that is not a regular file.
  struct stat st{};
  if (stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return UpdateResult::NotOpened;
  if (!MakeDirs(DirName(target))) return UpdateResult::NotOpened;
  ExclusiveLock lock(path_);
  if (!lock.Held()) return UpdateResult::NotOpened;

  Loaded loaded = Load();
  RegDocument doc;
  bool keep_mode = false;  // a new file gets the default permissions (umask)
  switch (loaded.status) {
    case LoadStatus::Ok:
      doc = std::move(loaded.doc);
      keep_mode = true;
      break;
    case LoadStatus::Missing:
      break;
    case LoadStatus::Unreadable:
    case LoadStatus::NotRegular:
      return UpdateResult::NotOpened;
    case LoadStatus::TooLarge: {
      const std::string aside = KeepAside(false);
      if (aside.empty()) return UpdateResult::Failed;
      Report("the settings file '" + path_ + "' is too large to be a settings file; it was kept unread as '" +
             aside + "' and a new one is started");
      break;
    }
    case LoadStatus::Damaged: {
      // Never overwrite a file that could not be read: keep it aside and
      // go on from what could be salvaged from it.
      std::vector<RegLostLine> lost;
      doc = RegDocument::Salvage(loaded.bytes, &lost);
      keep_mode = true;
      const std::string aside = KeepAside(true);
      if (aside.empty()) return UpdateResult::Failed;
      Report("the settings file '" + path_ + "' was damaged (" + Describe(loaded.error) + "); it was kept as '" +
             aside + "' and every value that could be read was kept; lost: " + ListLost(lost));
      break;
    }
  }
  change(doc);
  return Replace(doc, keep_mode, loaded.mode) ? UpdateResult::Written : UpdateResult::Failed;
}

}  // namespace sandloop
