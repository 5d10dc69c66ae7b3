// render_rods: arrays of rods, a camera and lights from the render path,
// the picture back as an (H, W, 3) or (H, W, 4) uint8 array. Rendering
// runs without the GIL, so a film's threads draw frames side by side, and
// a stop signal, or halt_renders, gives it up within a row.
#include "render_binding.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

#ifdef RODSCENE_RENDERER
#include "guarded_file.hpp"
#include "renderer.hpp"
#endif

namespace py = pybind11;

namespace rodscene {

#ifdef RODSCENE_RENDERER
namespace {

using array = py::array_t<double, py::array::c_style | py::array::forcecast>;
using flags =
    py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>;
using triple = std::array<double, 3>;
using clock = std::chrono::steady_clock;

// How often a picture drawn on the main thread looks at signals: a look
// takes the GIL, which another thread may hold for its switch interval.
constexpr auto look_every = std::chrono::milliseconds(50);

// Stop signals while a picture is drawn without the GIL. Python runs
// their handlers on the main thread alone, so the thread that asked for
// the picture looks, when it is the main one; a handler that raised gives
// the picture up, and its exception is raised when the picture returns.
struct signal_watch {
  std::thread::id caller = std::this_thread::get_id();
  bool main_thread = guard_for_this_thread().main_thread;
  clock::time_point next = clock::now() + look_every;
  PyObject* raised[3] = {nullptr, nullptr, nullptr};

  bool look() {
    if (!main_thread || std::this_thread::get_id() != caller) return false;
    if (clock::now() < next) return false;
    next = clock::now() + look_every;
    PyGILState_STATE state = PyGILState_Ensure();
    bool stop = PyErr_CheckSignals() != 0;
    if (stop) PyErr_Fetch(&raised[0], &raised[1], &raised[2]);
    PyGILState_Release(state);
    return stop;
  }

  // Raises a given-up picture's stop: the handler's exception, or
  // KeyboardInterrupt for halt_renders.
  void raise_if_stopped(const render::stopper& stop) {
    if (raised[0] != nullptr) {
      PyErr_Restore(raised[0], raised[1], raised[2]);
      throw py::error_already_set();
    }
    if (stop.given_up()) {
      PyErr_SetNone(PyExc_KeyboardInterrupt);
      throw py::error_already_set();
    }
  }
};

const std::map<std::string, render::quality> qualities = {
    {"draft", render::quality::draft},
    {"normal", render::quality::normal},
    {"final", render::quality::final}};

render::vec vec_of(const triple& t) {
  return {t[0], t[1], t[2]};
}
render::rgb rgb_of(const triple& t) {
  return {t[0], t[1], t[2]};
}

// Rows of columns numbers each; an empty or absent array has no rows.
std::size_t rows(const array& a, py::ssize_t columns, const char* name) {
  if (a.size() == 0) return 0;
  if (a.ndim() != 2 || a.shape(1) != columns) {
    throw std::invalid_argument(std::string(name) + " must have " +
                                std::to_string(columns) + " columns");
  }
  return std::size_t(a.shape(0));
}

void need(std::size_t got, std::size_t want, const char* name) {
  if (got != want) {
    throw std::invalid_argument(std::string(name) + " needs a row a rod");
  }
}

render::view view_of(const py::dict& c) {
  render::view v;
  v.location = vec_of(c["location"].cast<triple>());
  v.forward = vec_of(c["forward"].cast<triple>());
  v.up = vec_of(c["up"].cast<triple>());
  v.right = vec_of(c["right"].cast<triple>());
  v.orthographic = c["orthographic"].cast<bool>();
  v.span = c["span"].cast<double>();
  v.field = c["field"].cast<double>();
  v.width = c["width"].cast<int>();
  v.height = c["height"].cast<int>();
  if (v.width <= 0 || v.height <= 0) {
    throw std::invalid_argument("the picture needs a width and a height");
  }
  return v;
}

render::lighting lighting_of(const py::dict& l) {
  render::lighting out;
  out.key = vec_of(l["key"].cast<triple>());
  out.fill = vec_of(l["fill"].cast<triple>());
  out.background = vec_of(l["background"].cast<triple>());
  out.transparent = l["transparent"].cast<bool>();
  // Even light leaves out the key light's shadows and the fill light.
  if (l.contains("shadows")) out.key_shadows = l["shadows"].cast<bool>();
  if (l.contains("fill_power")) {
    out.fill_power = l["fill_power"].cast<double>();
  }
  return out;
}

py::array_t<std::uint8_t> render_rods(
    const array& ends, double radius, const array& colours,
    const array& finishes, const flags& faint, bool round, const array& caps,
    double cap_radius, const triple& cap_colour, const array& edges,
    double edge_radius, const triple& edge_colour, const py::dict& camera,
    const py::dict& lights, const std::string& quality, int threads,
    double faint_radius) {
  render::rods_input in;
  in.count = rows(ends, 6, "ends");
  need(rows(colours, 3, "colours"), in.count, "colours");
  need(rows(finishes, 2, "finishes"), in.count, "finishes");
  if (faint.size()) need(std::size_t(faint.size()), in.count, "faint");
  if (caps.size()) need(rows(caps, 3, "caps"), in.count, "caps");
  in.ends = ends.data();
  in.radius = radius;
  in.faint_radius = faint_radius < 0 ? radius : faint_radius;
  in.colours = colours.data();
  in.finishes = finishes.data();
  in.faint = faint.size() ? faint.data() : nullptr;
  in.round = round;
  in.caps = caps.size() ? caps.data() : nullptr;
  in.cap_radius = cap_radius;
  in.cap_colour = rgb_of(cap_colour);
  in.edge_count = rows(edges, 6, "edges");
  in.edges = edges.data();
  in.edge_radius = edge_radius;
  in.edge_colour = rgb_of(edge_colour);
  render::view v = view_of(camera);
  render::lighting light = lighting_of(lights);
  auto found = qualities.find(quality);
  if (found == qualities.end()) throw std::invalid_argument("unknown quality");
  std::vector<std::uint8_t> bytes;
  signal_watch watch;
  render::stopper stop([&watch] { return watch.look(); });
  {
    py::gil_scoped_release free;
    bytes = render::render_rods(in, v, light, found->second, threads, stop);
  }
  watch.raise_if_stopped(stop);
  py::ssize_t channels = light.transparent ? 4 : 3;
  py::array_t<std::uint8_t> out(
      {py::ssize_t(v.height), py::ssize_t(v.width), channels});
  std::memcpy(out.mutable_data(), bytes.data(), bytes.size());
  return out;
}

}  // namespace
#endif

void add_renderer(py::module_& m) {
#ifdef RODSCENE_RENDERER
  m.attr("has_renderer") = true;
  m.def("render_rods", &render_rods, py::arg("ends"), py::arg("radius"),
        py::arg("colours"), py::arg("finishes"), py::arg("faint"),
        py::arg("round"), py::arg("caps"), py::arg("cap_radius"),
        py::arg("cap_colour"), py::arg("edges"), py::arg("edge_radius"),
        py::arg("edge_colour"), py::arg("camera"), py::arg("lights"),
        py::arg("quality"), py::arg("threads"), py::arg("faint_radius") = -1.0,
        "The picture of the rods as an (H, W, 3 or 4) uint8 array.");
  m.def("halt_renders", &render::halt_renders,
        "Gives up every picture being drawn now: the caller is stopping.");
#else
  m.attr("has_renderer") = false;
#endif
}

}  // namespace rodscene
