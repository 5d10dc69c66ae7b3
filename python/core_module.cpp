// rodscene._core: the converters' reading, glyphs and scene text for Python,
// the numbers a page keeps of a frame's glyphs (page_numbers.hpp), and the
// readers of whole systems (reader_module.hpp).
//
// Each call reads its file into storage that no other call uses and works
// without the GIL, so threads convert files side by side; the programs keep
// their fixed storage. Only conversion to Python's types happens here:
// every number and every text comes from the core. The package's
// __init__.py turns the warning lines into Python warnings.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "array_blocks.hpp"
#include "config_reader.hpp"
#include "conversion_run.hpp"
#include "glyph.hpp"
#include "guarded_file.hpp"
#include "page_numbers.hpp"
#include "reader_module.hpp"
#include "render_binding.hpp"
#include "site_table.hpp"

namespace py = pybind11;

namespace rodscene {
namespace {

// What a call reads into and draws in: 2.6 MB.
struct storage {
  site_table table;
  config_reader reader;
  read_report report;
  drawn_glyph glyphs[scan_count];
  char scene[max_scene_size];
};

// Each thread keeps the storage of its last call for the next: 2.6 MB
// allocated afresh cost a call as much as writing its scene, in page
// faults. A call that finds it taken (a call made from a finaliser while
// another runs on the thread) gets storage of its own.
thread_local std::unique_ptr<storage> spare;

class borrowed_storage {
 public:
  borrowed_storage()
      : s_(spare != nullptr ? std::move(spare) : std::make_unique<storage>()) {
    s_->table = {};  // a slot no record reaches holds zeros
    s_->report = {};
  }
  ~borrowed_storage() {
    if (spare == nullptr) spare = std::move(s_);
  }
  borrowed_storage(const borrowed_storage&) = delete;
  borrowed_storage& operator=(const borrowed_storage&) = delete;
  storage& operator*() { return *s_; }
  storage* operator->() { return s_.get(); }

 private:
  std::unique_ptr<storage> s_;
};

// The file name as the system takes it: str, bytes or os.PathLike, as
// open() accepts them (names that are not UTF-8 included).
std::string file_name(const py::object& path) {
  PyObject* bytes = nullptr;
  if (PyUnicode_FSConverter(path.ptr(), &bytes) == 0) {
    throw py::error_already_set();
  }
  return std::string(py::reinterpret_steal<py::bytes>(bytes));
}

const converter_variant& variant_named(std::string_view program) {
  if (program == "split") return split_variant;
  if (program == "mono") return mono_variant;
  throw py::value_error("unknown program '" + std::string(program) +
                        "': choose 'split' or 'mono'");
}

// What a read left for Python: its failure, or the lines the program
// prints on standard error about it.
struct outcome {
  io_failure failure;
  std::string warnings;
};

// Reads `name` as `program` does (null: the reader alone), without the GIL,
// through g: a regular file alone, and a read that Ctrl-C ends.
outcome read_file(storage& s, const std::string& name,
                  const converter_variant* program, guarded_file& g) {
  io_failure opening;
  std::FILE* file = open_guarded(g, name.c_str(), opening);
  if (file == nullptr) return {opening, {}};
  start_guarded_reader(s.reader, g, file);
  read_sites(s.reader, s.table, s.report);
  errno = 0;
  if (std::fclose(file) != 0 && !failed(s.report.failure)) {
    s.report.failure = {"close", errno != 0 ? errno : EIO};
  }
  if (failed(s.report.failure)) return {s.report.failure, {}};
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* err = open_memstream(&text, &size);
  if (err == nullptr) throw std::bad_alloc();
  print_read_report(err, program != nullptr ? program->program : "rodscene",
                    name.c_str(), s.report, program != nullptr);
  std::fclose(err);
  outcome o{{}, std::string(text, size)};
  std::free(text);
  return o;
}

// Raises the failure of a read as the program names it, as an OSError of
// the errno's own subclass (FileNotFoundError, IsADirectoryError...) with
// the caller's path as its filename.
void raise_if_failed(const outcome& o, const std::string& name,
                     const py::object& path, guarded_file& g) {
  raise_if_interrupted(g);
  if (!failed(o.failure)) return;
  PyObject* shown = PyUnicode_DecodeFSDefaultAndSize(
      name.data(), static_cast<Py_ssize_t>(name.size()));
  if (shown == nullptr) throw py::error_already_set();
  py::str reason =
      py::str("cannot {} {}: {}")
          .format(o.failure.action, py::reinterpret_steal<py::str>(shown),
                  failure_reason(o.failure));
  PyErr_SetObject(PyExc_OSError,
                  py::make_tuple(o.failure.code, reason, path).ptr());
  throw py::error_already_set();
}

// The warning lines without the program's name, which Python's warnings
// give in their own way, decoded as file names are.
py::list warning_lines(const outcome& o, const converter_variant* program) {
  std::string_view prefix = program != nullptr ? program->program : "rodscene";
  py::list lines;
  std::string_view text = o.warnings;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    line.remove_prefix(prefix.size() + 2);  // "program: "
    PyObject* s = PyUnicode_DecodeFSDefaultAndSize(
        line.data(), static_cast<Py_ssize_t>(line.size()));
    if (s == nullptr) throw py::error_already_set();
    lines.append(py::reinterpret_steal<py::str>(s));
    text.remove_prefix(end + 1);
  }
  return lines;
}

template <typename T>
py::array_t<T> array_of(const std::vector<T>& values,
                        std::vector<py::ssize_t> shape) {
  py::array_t<T> a(shape);
  if (!values.empty()) {  // an empty vector's data may be null
    std::memcpy(a.mutable_data(), values.data(), values.size() * sizeof(T));
  }
  return a;
}

// Converting an extended real to double rounds it correctly, to nearest.
double rounded(long double v) {
  return static_cast<double>(v);
}

py::tuple sites_of(const py::object& path) {
  std::string name = file_name(path);
  guarded_file g = guard_for_this_thread();
  outcome o;
  std::vector<double> positions, directions;
  std::int64_t records = 0;
  {
    py::gil_scoped_release unlocked;
    borrowed_storage s;
    o = read_file(*s, name, nullptr, g);
    records = s->report.data_records;
    int n = records < site_capacity ? static_cast<int>(records) : site_capacity;
    const site_table& t = s->table;
    for (int k = 0; k < n; ++k) {
      for (long double v : {t.x[k], t.y[k], t.z[k]})
        positions.push_back(rounded(v));
      for (long double v : {t.phi1[k], t.phi2[k], t.phi3[k]})
        directions.push_back(rounded(v));
    }
  }
  raise_if_failed(o, name, path, g);
  py::ssize_t n = static_cast<py::ssize_t>(positions.size() / 3);
  return py::make_tuple(array_of(positions, {n, 3}),
                        array_of(directions, {n, 3}), records,
                        warning_lines(o, nullptr));
}

py::tuple glyphs_of(const py::object& path, std::string_view program) {
  const converter_variant& v = variant_named(program);
  std::string name = file_name(path);
  guarded_file g = guard_for_this_thread();
  std::optional<borrowed_storage> s;  // kept until the glyphs are copied out
  outcome o;
  int n = 0;
  {
    py::gil_scoped_release unlocked;
    s.emplace();
    o = read_file(**s, name, &v, g);
    if (!failed(o.failure)) n = draw_glyphs((*s)->glyphs, (*s)->table, v);
  }
  raise_if_failed(o, name, path, g);
  // The arrays are made at the glyphs' count, then filled: no storage
  // between them to grow and copy (array_blocks.hpp says why).
  auto ends = block_array<double>({n, 2, 3});
  auto caps = block_array<double>({n, 3});
  auto teal = block_array<bool>({n});
  auto lines = block_array<std::int64_t>({n});
  double* e = ends.mutable_data();
  double* c = caps.mutable_data();
  bool* t = teal.mutable_data();
  std::int64_t* l = lines.mutable_data();
  {
    py::gil_scoped_release unlocked;
    for (int i = 0; i < n; ++i) {
      const drawn_glyph& g = (*s)->glyphs[i];
      for (int j = 0; j < 6; ++j)
        *e++ = rounded(g.at[j]);
      for (int j = 6; j < glyph_fields; ++j)
        *c++ = rounded(g.at[j]);
      t[i] = g.colour == cylinder_colour::teal;
      l[i] = g.line;
    }
    s.reset();
  }
  return py::make_tuple(ends, caps, teal, warning_lines(o, &v), lines);
}

py::tuple scene_text_of(const py::object& path, std::string_view program) {
  const converter_variant& v = variant_named(program);
  std::string name = file_name(path);
  guarded_file g = guard_for_this_thread();
  std::optional<borrowed_storage> s;  // kept until the scene is copied out
  outcome o;
  std::size_t size = 0;
  {
    py::gil_scoped_release unlocked;
    s.emplace();
    o = read_file(**s, name, &v, g);
    if (!failed(o.failure))
      size = write_scene_text((*s)->scene, (*s)->table, v);
  }
  raise_if_failed(o, name, path, g);
  // The bytes object is made at the scene's size, then filled.
  PyObject* text =
      PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size));
  if (text == nullptr) throw py::error_already_set();
  auto scene = py::reinterpret_steal<py::bytes>(text);
  {
    py::gil_scoped_release unlocked;
    std::memcpy(PyBytes_AS_STRING(text), (*s)->scene, size);
    s.reset();
  }
  return py::make_tuple(scene, warning_lines(o, &v));
}

using doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;
using flags = py::array_t<bool, py::array::c_style | py::array::forcecast>;

// A frame's glyphs as glyphs() gives them: n x 6 ends (or n x 2 x 3) and
// n x 3 caps; the teal flags, when asked for, n of them.
glyph_rows rows_of(const doubles& ends, const doubles& caps,
                   const flags* teal) {
  auto n = static_cast<std::size_t>(caps.size() / 3);
  if (static_cast<std::size_t>(ends.size()) != 6 * n ||
      static_cast<std::size_t>(caps.size()) != 3 * n ||
      (teal != nullptr && static_cast<std::size_t>(teal->size()) != n)) {
    throw py::value_error("glyphs are n x 6 ends, n x 3 caps and n flags");
  }
  return {ends.data(), caps.data(), teal != nullptr ? teal->data() : nullptr,
          n};
}

py::tuple packed_rods_of(const doubles& ends, const doubles& caps,
                         const flags& teal) {
  glyph_rows g = rows_of(ends, caps, &teal);
  auto rods = block_array<std::int16_t>(
      {static_cast<py::ssize_t>(g.count), rod_fields});
  std::int16_t* out = rods.mutable_data();
  std::array<double, decode_fields> table;
  std::size_t teal_count = 0;
  {
    py::gil_scoped_release unlocked;
    teal_count = pack_rods(g, out, table.data());
  }
  py::list decode;
  for (double v : table)
    decode.append(v);
  return py::make_tuple(rods, decode, teal_count);
}

py::array_t<double> extents_of(const doubles& ends, const doubles& caps,
                               const doubles& axes, const doubles& tans,
                               double pad) {
  glyph_rows g = rows_of(ends, caps, nullptr);
  py::ssize_t views = tans.size() / 2;
  if (axes.size() != 9 * views || tans.size() != 2 * views) {
    throw py::value_error("each view is 3 x 3 axes and 2 slopes");
  }
  py::array_t<double> out({views, py::ssize_t{extent_fields}});
  double* e = out.mutable_data();
  {
    py::gil_scoped_release unlocked;
    for (py::ssize_t v = 0; v < views; ++v) {
      frame_extents(g, axes.data() + 9 * v, tans.data() + 2 * v, pad,
                    e + extent_fields * v);
    }
  }
  return out;
}

}  // namespace
}  // namespace rodscene

PYBIND11_MODULE(_core, m) {
  m.doc() = "The converters' reading, glyphs and scene text; see rodscene.";
  m.def("read_sites", &rodscene::sites_of, py::arg("path"),
        "(positions, directions, records, warning lines) of a file.");
  m.def("glyphs", &rodscene::glyphs_of, py::arg("path"), py::arg("program"),
        "(ends, caps, teal, warning lines, record lines) of a file as a "
        "program draws it.");
  m.def("scene_text", &rodscene::scene_text_of, py::arg("path"),
        py::arg("program"),
        "(scene text, warning lines) of a file as a program writes it.");
  m.def("packed_rods", &rodscene::packed_rods_of, py::arg("ends"),
        py::arg("caps"), py::arg("teal"),
        "(rods n x 9 int16, decode table of 12, teal count) of glyphs as a "
        "page packs them.");
  m.def("extents", &rodscene::extents_of, py::arg("ends"), py::arg("caps"),
        py::arg("axes"), py::arg("tans"), py::arg("pad"),
        "Each view's 10 extents of the glyphs' points, as a camera fit "
        "takes them.");
  rodscene::bind_readers(m);
  rodscene::add_renderer(m);
}
