// backend_internal.h — private to platform/: what the backends share without SDL.
//
// The device's fixed-function state (transforms, vertex format, render states,
// material, texture stage 0) as the SDL-drawn and the state-only devices keep it,
// the last-error text, and the one registered window class.
#pragma once

#include <cstdint>

#include "device.h"
#include "sprite_batch.h"

namespace platform {

constexpr int MAX_RENDER_STATE = 256;

struct DeviceState {
    Matrix world, view, projection;
    uint32_t fvf;
    uint32_t renderStates[MAX_RENDER_STATE];
    Material material;
    Texture* texture0;
};

// Identity transforms, no vertex format, the render states' defaults, no texture.
void deviceStateReset(DeviceState* state);
// The state of a device (null for a null device). Each backend that keeps its state
// in a DeviceState defines it; device_state.cpp answers the setters through it.
DeviceState* deviceStateOf(Device* device);

// Records a failure for lastError().
void setLastError(const char* what, const char* detail);
// The registered class when `className` names it; else null, with the failure recorded.
const WindowClass* registeredClass(const char* className);

}  // namespace platform
