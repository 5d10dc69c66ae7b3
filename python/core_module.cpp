// rodscene._core: the converters' reading, glyphs and scene text for Python.
//
// Each call reads its file into storage of its own and works without the
// GIL, so threads convert files side by side; the programs keep their fixed
// storage. Only conversion to Python's types happens here: every number and
// every text comes from the core. The package's __init__.py turns the
// warning lines into Python warnings.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config_reader.hpp"
#include "conversion_run.hpp"
#include "glyph.hpp"
#include "site_table.hpp"

namespace py = pybind11;

namespace rodscene {
namespace {

// What one call reads into; value-initialised, so the table starts at zero.
struct reading {
  site_table table;
  config_reader reader;
  read_report report;
  std::string warnings;  // the lines the program would print
};

// The file name as the system takes it: str, bytes or os.PathLike, as
// open() accepts them (names that are not UTF-8 included).
std::string file_name(const py::object& path) {
  PyObject* bytes = nullptr;
  if (PyUnicode_FSConverter(path.ptr(), &bytes) == 0) {
    throw py::error_already_set();
  }
  py::bytes name = py::reinterpret_steal<py::bytes>(bytes);
  return std::string(name);
}

const converter_variant& variant_named(std::string_view program) {
  if (program == "split") return split_variant;
  if (program == "mono") return mono_variant;
  throw py::value_error("unknown program '" + std::string(program) +
                        "': choose 'split' or 'mono'");
}

// Reads `name` as `program` does, without the GIL, and keeps the warnings it
// would print. `program` is null for the reader alone.
std::unique_ptr<reading> read_file(const std::string& name,
                                   const converter_variant* program) {
  auto r = std::make_unique<reading>();
  read_site_table(r->reader, r->table, r->report, name.c_str());
  if (failed(r->report.failure)) return r;
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* err = open_memstream(&text, &size);
  if (err == nullptr) throw std::bad_alloc();
  print_read_report(err, program != nullptr ? program->program : "rodscene",
                    name.c_str(), r->report, program != nullptr);
  std::fclose(err);
  r->warnings.assign(text, size);
  std::free(text);
  return r;
}

// The failure of a read as the program names it, as an OSError of the
// errno's own subclass (FileNotFoundError, IsADirectoryError...).
[[noreturn]] void raise_failure(const io_failure& f, const std::string& name,
                                const py::object& path) {
  py::str shown =
      py::reinterpret_steal<py::str>(PyUnicode_DecodeFSDefaultAndSize(
          name.data(), static_cast<Py_ssize_t>(name.size())));
  if (!shown) throw py::error_already_set();
  py::str reason = py::str("cannot {} {}: {}")
                       .format(f.action, shown, std::strerror(f.code));
  PyErr_SetObject(PyExc_OSError, py::make_tuple(f.code, reason, path).ptr());
  throw py::error_already_set();
}

// The warning lines without the program's name, which Python's warnings
// give in their own way, decoded as file names are.
py::list warning_lines(const reading& r, const converter_variant* program) {
  std::string_view prefix = program != nullptr ? program->program : "rodscene";
  py::list lines;
  std::string_view text = r.warnings;
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
  std::unique_ptr<reading> r;
  std::vector<double> positions, directions;
  std::int64_t records = 0;
  {
    py::gil_scoped_release unlocked;
    r = read_file(name, nullptr);
    records = r->report.data_records;
    int n = records < site_capacity ? static_cast<int>(records) : site_capacity;
    const site_table& t = r->table;
    for (int k = 0; k < n; ++k) {
      for (long double v : {t.x[k], t.y[k], t.z[k]})
        positions.push_back(rounded(v));
      for (long double v : {t.phi1[k], t.phi2[k], t.phi3[k]})
        directions.push_back(rounded(v));
    }
  }
  if (failed(r->report.failure)) raise_failure(r->report.failure, name, path);
  py::ssize_t n = static_cast<py::ssize_t>(positions.size() / 3);
  return py::make_tuple(array_of(positions, {n, 3}),
                        array_of(directions, {n, 3}), records,
                        warning_lines(*r, nullptr));
}

py::tuple glyphs_of(const py::object& path, std::string_view program) {
  const converter_variant& v = variant_named(program);
  std::string name = file_name(path);
  std::unique_ptr<reading> r;
  std::vector<double> ends, caps;
  std::vector<bool> teal_bits;
  {
    py::gil_scoped_release unlocked;
    r = read_file(name, &v);
    if (!failed(r->report.failure)) {
      auto drawn = std::make_unique<drawn_glyph[]>(scan_count);
      int n = draw_glyphs(drawn.get(), r->table, v);
      for (int i = 0; i < n; ++i) {
        const drawn_glyph& g = drawn[i];
        for (int j = 0; j < 6; ++j)
          ends.push_back(rounded(g.at[j]));
        for (int j = 6; j < glyph_fields; ++j)
          caps.push_back(rounded(g.at[j]));
        teal_bits.push_back(g.colour == cylinder_colour::teal);
      }
    }
  }
  if (failed(r->report.failure)) raise_failure(r->report.failure, name, path);
  py::ssize_t n = static_cast<py::ssize_t>(teal_bits.size());
  py::array_t<bool> teal(n);
  for (py::ssize_t i = 0; i < n; ++i)
    teal.mutable_at(i) = teal_bits[static_cast<std::size_t>(i)];
  return py::make_tuple(array_of(ends, {n, 2, 3}), array_of(caps, {n, 3}), teal,
                        warning_lines(*r, &v));
}

py::tuple scene_text_of(const py::object& path, std::string_view program) {
  const converter_variant& v = variant_named(program);
  std::string name = file_name(path);
  std::unique_ptr<reading> r;
  std::unique_ptr<char[]> text;
  std::size_t size = 0;
  {
    py::gil_scoped_release unlocked;
    r = read_file(name, &v);
    if (!failed(r->report.failure)) {
      text = std::make_unique_for_overwrite<char[]>(max_scene_size);
      size = write_scene_text(text.get(), r->table, v);
    }
  }
  if (failed(r->report.failure)) raise_failure(r->report.failure, name, path);
  return py::make_tuple(py::bytes(text.get(), size), warning_lines(*r, &v));
}

}  // namespace
}  // namespace rodscene

PYBIND11_MODULE(_core, m) {
  m.doc() = "The converters' reading, glyphs and scene text; see rodscene.";
  m.def("read_sites", &rodscene::sites_of, py::arg("path"),
        "(positions, directions, records, warning lines) of a file.");
  m.def("glyphs", &rodscene::glyphs_of, py::arg("path"), py::arg("program"),
        "(ends, caps, teal, warning lines) of a file as a program draws it.");
  m.def("scene_text", &rodscene::scene_text_of, py::arg("path"),
        py::arg("program"),
        "(scene text, warning lines) of a file as a program writes it.");
}
