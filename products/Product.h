// The products this update manager serves, one bit each, so that a set of
// installed products is their bitwise OR.
#pragma once

#include <cstdint>

enum Product : std::uint32_t {
    NoProduct = 0,
    Olvin3 = 0x0001,
    Dorvane3Zo = 0x0002,
    Dorvane3 = 0x0004,
    Zetra3 = 0x0008,
    Hulo3 = 0x0010,
    Olvin4 = 0x0020,
    Dorvane4Zo = 0x0040,
    Dorvane4 = 0x0080,
    Zetra4 = 0x0100,
    Hulo4 = 0x0200,
    Olvin5 = 0x0400,
    Dorvane5Zo = 0x0800,
    Dorvane5 = 0x1000,
    Zetra5 = 0x2000,
    Hulo5 = 0x4000,
};

// Any number of products, or none.
using ProductSet = std::uint32_t;

// The version-numbering lines of the installed program's file version: the
// Zo editions count like Dorvane, Hulo Fernwick like Hulo.
enum class EditionLine { Olvin, Dorvane, Zetra, Hulo, None };

constexpr int kEditionLineCount = 4;
