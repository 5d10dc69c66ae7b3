#include "guarded_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pybind11/pybind11.h>

#include <cerrno>
#include <cstring>

namespace rodscene {
namespace {

// Bytes read between two looks at signals: a look takes the GIL, which
// another thread may hold for its switch interval, so a file of the usual
// size (a few hundred kilobytes) is read without one.
constexpr std::uint64_t check_bytes = std::uint64_t{1} << 20;

// What open_guarded gives a file that is neither regular nor a folder.
constexpr int not_regular = EINVAL;
constexpr char not_regular_reason[] = "not a regular file";

// Whether a signal's handler raised since the last look; takes the GIL.
bool handler_raised(guarded_file& g) {
  PyGILState_STATE state = PyGILState_Ensure();
  bool raised = PyErr_CheckSignals() != 0;
  if (raised) PyErr_Fetch(&g.raised[0], &g.raised[1], &g.raised[2]);
  PyGILState_Release(state);
  return raised;
}

ssize_t read_guarded(void* cookie, char* buffer, std::size_t size) {
  auto& g = *static_cast<guarded_file*>(cookie);
  for (;;) {
    if (g.raised[0] != nullptr) {
      errno = EINTR;
      return -1;
    }
    if (g.main_thread && g.unchecked >= check_bytes) {
      g.unchecked = 0;
      if (handler_raised(g)) continue;
    }
    ssize_t got = ::read(g.fd, buffer, size);
    if (got >= 0) {
      g.unchecked += static_cast<std::uint64_t>(got);
      return got;
    }
    if (errno != EINTR) return -1;
    // A signal cut the read short (a slow file system): its handler may
    // have raised, which is looked at before reading again.
    g.unchecked = check_bytes;
  }
}

int close_guarded(void* cookie) {
  return ::close(static_cast<guarded_file*>(cookie)->fd);
}

}  // namespace

guarded_file guard_for_this_thread() {
  guarded_file g;
  namespace py = pybind11;
  py::module_ threading = py::module_::import("threading");
  py::object main = threading.attr("main_thread")().attr("ident");
  g.main_thread = main.equal(threading.attr("get_ident")());
  return g;
}

std::FILE* open_guarded(guarded_file& g, const char* name,
                        io_failure& failure) {
  // Without O_NONBLOCK, opening a pipe would wait for its writer.
  g.fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (g.fd < 0) {
    failure = {"open", errno != 0 ? errno : EIO};
    return nullptr;
  }
  struct stat about {};
  if (::fstat(g.fd, &about) != 0) {
    failure = {"open", errno != 0 ? errno : EIO};
  } else if (S_ISDIR(about.st_mode)) {
    failure = {"read", EISDIR};  // as the programs' reads of it fail
  } else if (!S_ISREG(about.st_mode)) {
    failure = {"open", not_regular};
  } else if (::fcntl(g.fd, F_SETFL, 0) != 0) {  // reads wait for data again
    failure = {"open", errno != 0 ? errno : EIO};
  }
  if (failed(failure)) {
    ::close(g.fd);
    return nullptr;
  }
  std::FILE* file = fopencookie(
      &g, "r",
      cookie_io_functions_t{read_guarded, nullptr, nullptr, close_guarded});
  if (file == nullptr) {
    failure = {"open", errno != 0 ? errno : ENOMEM};
    ::close(g.fd);
  }
  return file;
}

void start_guarded_reader(config_reader& r, guarded_file& g, std::FILE* file) {
  start_reader(r, file);
  g.buffer = std::make_unique<char[]>(reader_buffer_size);
  std::setvbuf(file, g.buffer.get(), _IOFBF, reader_buffer_size);
}

const char* failure_reason(const io_failure& failure) {
  if (failure.code == not_regular && std::strcmp(failure.action, "open") == 0)
    return not_regular_reason;
  return std::strerror(failure.code);
}

void raise_if_interrupted(guarded_file& g) {
  if (g.raised[0] == nullptr) return;
  PyErr_Restore(g.raised[0], g.raised[1], g.raised[2]);
  g.raised[0] = g.raised[1] = g.raised[2] = nullptr;
  throw pybind11::error_already_set();
}

}  // namespace rodscene
