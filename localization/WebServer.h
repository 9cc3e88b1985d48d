// The vendor's web server, whose pages the translation table's BROWSER_ items
// address as this root followed by "?URL=" and a page name.
#pragma once

inline constexpr char kWebServerRoot[] = "https://www.quorvane.example/";
