// HostHooks: 40 optional callback slots through which a host extends the evaluator and watches the UI.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr int kHookSlots = 40;
inline constexpr int kHookVariables = 0;   // names the variable store does not know
inline constexpr int kHookSelection = 36;  // selection lists

// Slots hold untyped function pointers; each caller casts to the signature its slot documents.
using HookFn = void (*)();

// Stores fn in slot i; 255 (and nothing stored) when i is above 39.
uint8_t HookSet(int i, HookFn fn);
// The function in slot i, or null (also for i above 39).
HookFn HookGet(int i);

template <typename F>
F HookAs(int i) { return reinterpret_cast<F>(HookGet(i)); }

}  // namespace rt
