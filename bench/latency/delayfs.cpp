// A passthrough file system that makes every read of a directory's entries
// wait a fixed time, as a listing over a network does. It speaks the kernel's
// FUSE protocol on /dev/fuse itself (no libfuse), with several threads, so
// that reads made at once wait at once. Linux, as root:
//
//   mwn_delayfs <source folder> <mount point> <delay in ms>
//
// Runs until the mount point is unmounted (umount -l <mount point>).
#include <dirent.h>
#include <fcntl.h>
#include <linux/fuse.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kThreads = 32;
constexpr std::size_t kMaxWrite = 128 * 1024;
constexpr std::size_t kBufferSize = kMaxWrite + 64 * 1024;

int fuseFd = -1;
std::chrono::milliseconds readDelay;
std::mutex mutex;                                  // guards what follows
std::vector<std::string> paths{"", ""};            // by node id; 1 is the root
std::unordered_map<std::string, std::uint64_t> ids{{"", 1}};
struct DirEntryCopy {
  std::string name;
  std::uint64_t ino;
  std::uint32_t type;
};
std::map<std::uint64_t, std::vector<DirEntryCopy>> openDirs;
std::uint64_t nextDir = 1;
std::string source;

std::string PathOf(std::uint64_t node) {
  std::lock_guard<std::mutex> lock(mutex);
  return node < paths.size() ? paths[node] : std::string();
}
std::string Real(const std::string& path) { return source + path; }
std::string Child(std::uint64_t parent, const char* name) { return PathOf(parent) + "/" + name; }

std::uint64_t IdOf(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex);
  auto found = ids.find(path);
  if (found != ids.end()) return found->second;
  paths.push_back(path);
  return ids[path] = paths.size() - 1;
}

void Renamed(const std::string& from, const std::string& to) {
  std::lock_guard<std::mutex> lock(mutex);
  auto found = ids.find(from);
  if (found == ids.end()) return;
  const std::uint64_t id = found->second;
  ids.erase(found);
  ids[to] = id;
  paths[id] = to;
}

void Reply(const fuse_in_header& in, int error, const void* data = nullptr, std::size_t size = 0) {
  fuse_out_header out{};
  out.unique = in.unique;
  out.error = error;
  std::vector<char> message(sizeof out + (error == 0 ? size : 0));
  out.len = static_cast<std::uint32_t>(message.size());
  std::memcpy(message.data(), &out, sizeof out);
  if (error == 0 && size > 0) std::memcpy(message.data() + sizeof out, data, size);
  if (write(fuseFd, message.data(), message.size()) < 0 && errno != ENOENT) perror("reply");
}

void FillAttr(const struct stat& st, fuse_attr& attr) {
  attr.ino = st.st_ino;
  attr.size = st.st_size;
  attr.blocks = st.st_blocks;
  attr.atime = st.st_atim.tv_sec;
  attr.mtime = st.st_mtim.tv_sec;
  attr.ctime = st.st_ctim.tv_sec;
  attr.atimensec = st.st_atim.tv_nsec;
  attr.mtimensec = st.st_mtim.tv_nsec;
  attr.ctimensec = st.st_ctim.tv_nsec;
  attr.mode = st.st_mode;
  attr.nlink = st.st_nlink;
  attr.uid = st.st_uid;
  attr.gid = st.st_gid;
  attr.blksize = 4096;
}

void ReplyEntry(const fuse_in_header& in, const std::string& path) {
  struct stat st;
  if (lstat(Real(path).c_str(), &st) != 0) return Reply(in, -errno);
  fuse_entry_out entry{};
  entry.nodeid = IdOf(path);
  entry.entry_valid = entry.attr_valid = 10;
  FillAttr(st, entry.attr);
  Reply(in, 0, &entry, sizeof entry);
}

void ReplyAttr(const fuse_in_header& in, const std::string& path) {
  struct stat st;
  if (lstat(Real(path).c_str(), &st) != 0) return Reply(in, -errno);
  fuse_attr_out out{};
  out.attr_valid = 10;
  FillAttr(st, out.attr);
  Reply(in, 0, &out, sizeof out);
}

void ReplyOpen(const fuse_in_header& in, std::uint64_t handle) {
  fuse_open_out out{};
  out.fh = handle;
  Reply(in, 0, &out, sizeof out);
}

void OpenDir(const fuse_in_header& in) {
  DIR* dir = opendir(Real(PathOf(in.nodeid)).c_str());
  if (dir == nullptr) return Reply(in, -errno);
  std::vector<DirEntryCopy> entries;
  while (const dirent* entry = readdir(dir)) entries.push_back({entry->d_name, entry->d_ino, entry->d_type});
  closedir(dir);
  std::uint64_t handle;
  {
    std::lock_guard<std::mutex> lock(mutex);
    handle = nextDir++;
    openDirs[handle] = std::move(entries);
  }
  ReplyOpen(in, handle);
}

// The one place that waits: the reading of entries, on the reader's thread.
void ReadDir(const fuse_in_header& in, const fuse_read_in& read) {
  std::this_thread::sleep_for(readDelay);
  std::vector<char> out;
  std::lock_guard<std::mutex> lock(mutex);
  const std::vector<DirEntryCopy>& entries = openDirs[read.fh];
  for (std::size_t i = read.offset; i < entries.size(); ++i) {
    const std::size_t size = FUSE_DIRENT_ALIGN(FUSE_NAME_OFFSET + entries[i].name.size());
    if (out.size() + size > read.size) break;
    std::vector<char> record(size, 0);
    auto* dirent = reinterpret_cast<fuse_dirent*>(record.data());
    dirent->ino = entries[i].ino;
    dirent->off = i + 1;
    dirent->namelen = static_cast<std::uint32_t>(entries[i].name.size());
    dirent->type = entries[i].type;
    std::memcpy(dirent->name, entries[i].name.data(), entries[i].name.size());
    out.insert(out.end(), record.begin(), record.end());
  }
  Reply(in, 0, out.data(), out.size());
}

void SetAttr(const fuse_in_header& in, const fuse_setattr_in& set) {
  const std::string real = Real(PathOf(in.nodeid));
  if ((set.valid & FATTR_MODE) && chmod(real.c_str(), set.mode & 07777) != 0) return Reply(in, -errno);
  if (set.valid & FATTR_SIZE) {
    const int result = (set.valid & FATTR_FH) ? ftruncate(static_cast<int>(set.fh), set.size)
                                              : truncate(real.c_str(), set.size);
    if (result != 0) return Reply(in, -errno);
  }
  if (set.valid & (FATTR_ATIME | FATTR_MTIME)) {
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (set.valid & FATTR_ATIME) times[0] = {static_cast<time_t>(set.atime), set.atimensec};
    if (set.valid & FATTR_MTIME) times[1] = {static_cast<time_t>(set.mtime), set.mtimensec};
    if (set.valid & FATTR_ATIME_NOW) times[0] = {0, UTIME_NOW};
    if (set.valid & FATTR_MTIME_NOW) times[1] = {0, UTIME_NOW};
    if (utimensat(AT_FDCWD, real.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return Reply(in, -errno);
  }
  ReplyAttr(in, PathOf(in.nodeid));
}

void Rename(const fuse_in_header& in, std::uint64_t newDir, unsigned flags, const char* names) {
  const std::string from = Child(in.nodeid, names);
  const std::string to = Child(newDir, names + std::strlen(names) + 1);
  if (syscall(SYS_renameat2, AT_FDCWD, Real(from).c_str(), AT_FDCWD, Real(to).c_str(), flags) != 0) {
    return Reply(in, -errno);
  }
  Renamed(from, to);
  Reply(in, 0);
}

void Handle(const char* request) {
  const auto& in = *reinterpret_cast<const fuse_in_header*>(request);
  const char* arg = request + sizeof in;
  switch (in.opcode) {
    case FUSE_INIT: {
      const auto& init = *reinterpret_cast<const fuse_init_in*>(arg);
      fuse_init_out out{};
      out.major = FUSE_KERNEL_VERSION;
      out.minor = std::min<std::uint32_t>(init.minor, FUSE_KERNEL_MINOR_VERSION);
      out.max_readahead = init.max_readahead;
      out.max_background = 64;
      out.congestion_threshold = 48;
      out.max_write = kMaxWrite;
      out.time_gran = 1;
      out.max_pages = kMaxWrite / 4096;
      out.flags = FUSE_MAX_PAGES;
      return Reply(in, 0, &out, sizeof out);
    }
    case FUSE_LOOKUP: return ReplyEntry(in, Child(in.nodeid, arg));
    case FUSE_FORGET: case FUSE_BATCH_FORGET: case FUSE_INTERRUPT: return;
    case FUSE_GETATTR: return ReplyAttr(in, PathOf(in.nodeid));
    case FUSE_SETATTR: return SetAttr(in, *reinterpret_cast<const fuse_setattr_in*>(arg));
    case FUSE_OPENDIR: return OpenDir(in);
    case FUSE_READDIR: return ReadDir(in, *reinterpret_cast<const fuse_read_in*>(arg));
    case FUSE_RELEASEDIR: {
      std::lock_guard<std::mutex> lock(mutex);
      openDirs.erase(reinterpret_cast<const fuse_release_in*>(arg)->fh);
      break;
    }
    case FUSE_OPEN: {
      const int flags = reinterpret_cast<const fuse_open_in*>(arg)->flags;
      const int fd = open(Real(PathOf(in.nodeid)).c_str(), flags & ~O_NOFOLLOW);
      return fd < 0 ? Reply(in, -errno) : ReplyOpen(in, static_cast<std::uint64_t>(fd));
    }
    case FUSE_CREATE: {
      const auto& create = *reinterpret_cast<const fuse_create_in*>(arg);
      const std::string path = Child(in.nodeid, arg + sizeof create);
      const int fd = open(Real(path).c_str(), create.flags | O_CREAT, create.mode & ~create.umask);
      if (fd < 0) return Reply(in, -errno);
      struct {
        fuse_entry_out entry;
        fuse_open_out open;
      } out{};
      struct stat st;
      fstat(fd, &st);
      out.entry.nodeid = IdOf(path);
      out.entry.entry_valid = out.entry.attr_valid = 10;
      FillAttr(st, out.entry.attr);
      out.open.fh = static_cast<std::uint64_t>(fd);
      return Reply(in, 0, &out, sizeof out);
    }
    case FUSE_READ: {
      const auto& read = *reinterpret_cast<const fuse_read_in*>(arg);
      std::vector<char> data(read.size);
      const ssize_t got = pread(static_cast<int>(read.fh), data.data(), read.size, static_cast<off_t>(read.offset));
      return got < 0 ? Reply(in, -errno) : Reply(in, 0, data.data(), static_cast<std::size_t>(got));
    }
    case FUSE_WRITE: {
      const auto& write = *reinterpret_cast<const fuse_write_in*>(arg);
      const ssize_t put = pwrite(static_cast<int>(write.fh), arg + sizeof write, write.size,
                                 static_cast<off_t>(write.offset));
      if (put < 0) return Reply(in, -errno);
      fuse_write_out out{};
      out.size = static_cast<std::uint32_t>(put);
      return Reply(in, 0, &out, sizeof out);
    }
    case FUSE_RELEASE: close(static_cast<int>(reinterpret_cast<const fuse_release_in*>(arg)->fh)); break;
    case FUSE_FSYNC: fsync(static_cast<int>(reinterpret_cast<const fuse_fsync_in*>(arg)->fh)); break;
    case FUSE_FLUSH: case FUSE_FSYNCDIR: case FUSE_ACCESS: break;
    case FUSE_UNLINK: if (unlink(Real(Child(in.nodeid, arg)).c_str()) != 0) return Reply(in, -errno); break;
    case FUSE_RMDIR: if (rmdir(Real(Child(in.nodeid, arg)).c_str()) != 0) return Reply(in, -errno); break;
    case FUSE_MKDIR: {
      const auto& make = *reinterpret_cast<const fuse_mkdir_in*>(arg);
      const std::string path = Child(in.nodeid, arg + sizeof make);
      if (mkdir(Real(path).c_str(), make.mode & ~make.umask) != 0) return Reply(in, -errno);
      return ReplyEntry(in, path);
    }
    case FUSE_RENAME: {
      const auto& rename = *reinterpret_cast<const fuse_rename_in*>(arg);
      return Rename(in, rename.newdir, 0, arg + sizeof rename);
    }
    case FUSE_RENAME2: {
      const auto& rename = *reinterpret_cast<const fuse_rename2_in*>(arg);
      return Rename(in, rename.newdir, rename.flags, arg + sizeof rename);
    }
    case FUSE_STATFS: {
      struct statvfs st;
      if (statvfs(source.c_str(), &st) != 0) return Reply(in, -errno);
      fuse_statfs_out out{};
      out.st.blocks = st.f_blocks;
      out.st.bfree = st.f_bfree;
      out.st.bavail = st.f_bavail;
      out.st.files = st.f_files;
      out.st.ffree = st.f_ffree;
      out.st.bsize = static_cast<std::uint32_t>(st.f_bsize);
      out.st.namelen = 255;
      out.st.frsize = static_cast<std::uint32_t>(st.f_frsize);
      return Reply(in, 0, &out, sizeof out);
    }
    case FUSE_DESTROY: break;
    default: return Reply(in, -ENOSYS);
  }
  Reply(in, 0);
}

void Serve() {
  std::vector<char> buffer(kBufferSize);
  for (;;) {
    const ssize_t got = read(fuseFd, buffer.data(), buffer.size());
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == ENOENT)) continue;
    if (got <= 0) return;  // unmounted
    Handle(buffer.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mwn_delayfs <source> <mount point> <delay ms>\n");
    return 2;
  }
  source = argv[1];
  readDelay = std::chrono::milliseconds(std::atoi(argv[3]));
  fuseFd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (fuseFd < 0) {
    perror("/dev/fuse");
    return 1;
  }
  const std::string options = "fd=" + std::to_string(fuseFd) + ",rootmode=40000,user_id=0,group_id=0,allow_other";
  if (mount("mwn_delayfs", argv[2], "fuse.mwn_delayfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
    perror("mount");
    return 1;
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(Serve);
  for (std::thread& thread : threads) thread.join();
  return 0;
}
