// Each call reads into storage of its own without the GIL, so threads read
// files (or frames of one dump) side by side. The rods' arrays are handed
// to numpy as the readers filled them, never copied: a read holds its rods
// once.
#include "reader_module.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dump_frame.hpp"
#include "dump_scan.hpp"
#include "read_messages.hpp"
#include "rod_reader.hpp"

namespace py = pybind11;

namespace rodscene {
namespace {

constexpr char program_name[] = "rodscene";
constexpr std::string_view axis_names = "xyz";

// The file name as open() takes it: str, bytes or os.PathLike.
std::string file_name(const py::object& path) {
  PyObject* bytes = nullptr;
  if (PyUnicode_FSConverter(path.ptr(), &bytes) == 0) {
    throw py::error_already_set();
  }
  return std::string(py::reinterpret_steal<py::bytes>(bytes));
}

py::str decoded(std::string_view text) {
  PyObject* s = PyUnicode_DecodeFSDefaultAndSize(
      text.data(), static_cast<Py_ssize_t>(text.size()));
  if (s == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

// The lines a print_* function writes, made while the GIL is released.
template <typename Print>
std::string printed(Print&& print) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  if (out == nullptr) throw std::bad_alloc();
  print(out);
  std::fclose(out);
  std::string s(text, size);
  std::free(text);
  return s;
}

// The lines without "rodscene: ", which Python's warnings say their own way.
py::list lines_of(std::string_view text) {
  py::list lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    line.remove_prefix(sizeof program_name + 1);
    lines.append(decoded(line));
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
  }
  return lines;
}

void raise_if_failed(const io_failure& f, const std::string& name,
                     const py::object& path) {
  if (!failed(f)) return;
  py::str reason = py::str("cannot {} {}: {}")
                       .format(f.action, decoded(name), std::strerror(f.code));
  PyErr_SetObject(PyExc_OSError, py::make_tuple(f.code, reason, path).ptr());
  throw py::error_already_set();
}

template <typename T>
py::array_t<T> handed(rod_array<T>&& v, std::vector<py::ssize_t> shape) {
  if (v.empty()) return py::array_t<T>(shape);
  auto* owner = new rod_array<T>(std::move(v));
  py::capsule keeper(owner,
                     [](void* p) { delete static_cast<rod_array<T>*>(p); });
  return py::array_t<T>(shape, owner->data(), keeper);
}

// The rods' arrays and counts, shared by both readers' results.
py::dict rods_dict(rod_set& rods, const rod_tally& t) {
  auto n = static_cast<py::ssize_t>(rods.lines.size());
  py::dict d;
  d["positions"] = handed(std::move(rods.positions), {n, 3});
  d["directions"] = handed(std::move(rods.directions), {n, 3});
  d["lines"] = handed(std::move(rods.lines), {n});
  d["left_out"] = left_total(t);
  d["not_unit"] = t.not_unit;
  d["max_deviation"] = t.max_deviation;
  return d;
}

py::object triple(const double* v) {
  return py::make_tuple(v[0], v[1], v[2]);
}

py::dict read_rods_of(const py::object& path) {
  std::string name = file_name(path);
  rod_set rods;
  rod_report report;
  std::string warned;
  {
    py::gil_scoped_release unlocked;
    read_rods(name.c_str(), rods, report);
    warned = printed([&](std::FILE* out) {
      print_rod_report(out, program_name, name.c_str(), report);
    });
  }
  raise_if_failed(report.failure, name, path);
  py::dict d = rods_dict(rods, report.tally);
  d["box"] = report.has_box ? triple(report.box) : py::none();
  d["box_lo"] = report.has_box ? triple(report.box_lo) : py::none();
  d["records"] = report.records;
  d["header_count"] = report.header_count >= 0
                          ? py::object(py::int_(report.header_count))
                          : py::none();
  d["warnings"] = lines_of(warned);
  return d;
}

[[noreturn]] void refuse(const std::string& refusal) {
  std::string_view line = refusal;
  line.remove_prefix(sizeof program_name + 1);
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  PyErr_SetObject(PyExc_ValueError, decoded(line).ptr());
  throw py::error_already_set();
}

py::list dump_frames_of(const py::object& path) {
  std::string name = file_name(path);
  std::vector<dump_mark> marks;
  dump_scan_report report;
  std::string refusal;
  {
    py::gil_scoped_release unlocked;
    marks = scan_dump(name.c_str(), report);
  }
  raise_if_failed(report.failure, name, path);
  if (report.refusal != dump_refusal::none) {
    refuse(printed([&](std::FILE* out) {
      print_dump_refusal(out, program_name, name.c_str(), report.refusal,
                         report.refusal_line, nullptr, 0);
    }));
  }
  py::list frames;
  for (const dump_mark& k : marks)
    frames.append(py::make_tuple(k.offset, k.timestep, k.line));
  return frames;
}

int axis_of(std::string_view axis) {
  std::size_t k = axis.size() == 1 ? axis_names.find(axis[0]) : axis.npos;
  if (k == axis.npos) {
    throw py::value_error("unknown axis '" + std::string(axis) +
                          "': choose 'x', 'y' or 'z'");
  }
  return static_cast<int>(k);
}

py::dict read_dump_frame_of(const py::object& path, std::int64_t offset,
                            std::string_view axis, std::int64_t line) {
  int body_axis = axis_of(axis);
  std::string name = file_name(path);
  dump_frame frame;
  dump_report report;
  std::string warned;
  {
    py::gil_scoped_release unlocked;
    read_dump_frame(name.c_str(), offset, line, body_axis, frame, report);
    warned = printed([&](std::FILE* out) {
      if (report.refusal != dump_refusal::none) {
        print_dump_refusal(out, program_name, name.c_str(), report.refusal,
                           report.refusal_line, report.missing, offset);
      } else {
        print_dump_report(out, program_name, name.c_str(), frame, report);
      }
    });
  }
  raise_if_failed(report.failure, name, path);
  if (report.refusal != dump_refusal::none) refuse(warned);
  auto n = static_cast<py::ssize_t>(frame.rods.lines.size());
  py::dict d = rods_dict(frame.rods, report.tally);
  d["ids"] = frame.with_ids ? py::object(handed(std::move(frame.ids), {n}))
                            : py::none();
  d["types"] = frame.with_types
                   ? py::object(handed(std::move(frame.types), {n}))
                   : py::none();
  d["lo"] = triple(frame.lo);
  d["hi"] = triple(frame.hi);
  d["timestep"] = frame.timestep;
  d["atoms"] = frame.atoms;
  d["rows"] = report.rows;
  d["warnings"] = lines_of(warned);
  return d;
}

}  // namespace

void bind_readers(py::module_& m) {
  m.def("read_rods", &read_rods_of, py::arg("path"),
        "Every rod of a configuration file: a dict of positions, directions "
        "(n x 3), lines, box (3 lengths or None), box_lo (its lower corner "
        "or None), counts and warning lines.");
  m.def("dump_frames", &dump_frames_of, py::arg("path"),
        "[(offset, timestep, line)] of each frame of a LAMMPS text dump.");
  m.def("read_dump_frame", &read_dump_frame_of, py::arg("path"),
        py::arg("offset"), py::arg("axis") = "z", py::arg("line") = 1,
        "The rods of the dump's frame at offset: a dict of positions, "
        "directions, lines, ids, types, lo, hi, timestep, counts and "
        "warning lines.");
}

}  // namespace rodscene
