"""How the rods are lit. Under the key light a rod's shading and the
shadows it falls in show its form and what lies above it, but they also
move its lightness: a colour that stands for a value (an angle, a local
S) would read as another value where the rod turns from the light or lies
in shadow. Even lighting comes from the eye and casts no shadow, and a
value's colour keeps almost all of its own lightness, with a small
diffuse share left to show each rod round."""

LIGHTINGS = ("key", "even")
VALUE_COLOURS = ("orientation", "local-order")
# Even lighting's finish for the colours the render path gives its rods:
# in linear light a rod seen side on keeps 97% of its colour on average,
# one seen end on 95%.
EVEN_FINISH = (0.85, 0.15)  # ambient, diffuse
EVEN_FINISH_TEXT = " finish {{ ambient {!r} diffuse {!r} }}".format(
    *EVEN_FINISH)
HELP = ("key: a key light that casts shadows and a fill light (the "
        "default with the converters' colours); even: light from the eye "
        "and no shadows, so that a rod's colour reads as its value "
        "wherever it lies (the default with --colour orientation or "
        "local-order)")


def add_option(p):
    p.add_argument("--lighting", choices=LIGHTINGS, help=HELP)


def default(colour):
    """Even lighting when colours stand for values, else the key light."""
    return "even" if colour in VALUE_COLOURS else "key"


def resolve(s):
    s.lighting = s.lighting or default(s.colour)


def is_even(settings):
    return getattr(settings, "lighting", "key") == "even"
