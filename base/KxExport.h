// Marks the classes and functions the in-house libraries export to other programs.
#pragma once

#if defined(_WIN32)
#if defined(QVU_BUILDING_KX)
#define KX_EXPORT __declspec(dllexport)
#else
#define KX_EXPORT __declspec(dllimport)
#endif
#else
#define KX_EXPORT __attribute__((visibility("default")))
#endif
