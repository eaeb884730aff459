// device_state.cpp — the device calls that only change state, for the backends that
// keep it in a DeviceState (the SDL-drawn devices and the state-only one). Drawing
// reads it; nothing here touches a renderer.
#include <cstring>

#include "backend_internal.h"

namespace platform {

void deviceStateReset(DeviceState* state) {
    matrixIdentity(&state->world);
    matrixIdentity(&state->view);
    matrixIdentity(&state->projection);
    state->fvf = 0;
    std::memset(state->renderStates, 0, sizeof state->renderStates);
    state->renderStates[RS_ZENABLE] = 1;
    state->renderStates[RS_SRCBLEND] = BLEND_ONE;
    state->renderStates[RS_DESTBLEND] = BLEND_ZERO;
    state->renderStates[RS_CULLMODE] = CULL_CCW;
    state->renderStates[RS_LIGHTING] = 1;
    state->material = Material{};
    state->texture0 = nullptr;
}

int deviceBeginScene(Device* device) { return device ? 0 : -1; }
int deviceEndScene(Device* device) { return device ? 0 : -1; }

int deviceSetTransform(Device* device, uint32_t state, const Matrix* matrix) {
    DeviceState* s = deviceStateOf(device);
    if (!s || !matrix) return -1;
    Matrix* target = state == TS_WORLD        ? &s->world
                     : state == TS_VIEW       ? &s->view
                     : state == TS_PROJECTION ? &s->projection
                                              : nullptr;
    if (!target) return -1;
    *target = *matrix;
    return 0;
}

int deviceSetFVF(Device* device, uint32_t fvf) {
    DeviceState* s = deviceStateOf(device);
    if (!s) return -1;
    s->fvf = fvf;
    return 0;
}

int deviceSetRenderState(Device* device, uint32_t state, uint32_t value) {
    DeviceState* s = deviceStateOf(device);
    if (!s || state >= MAX_RENDER_STATE) return -1;
    s->renderStates[state] = value;
    return 0;
}

int deviceSetMaterial(Device* device, const Material* material) {
    DeviceState* s = deviceStateOf(device);
    if (!s || !material) return -1;
    s->material = *material;
    return 0;
}

int deviceSetTexture(Device* device, uint32_t stage, Texture* texture) {
    DeviceState* s = deviceStateOf(device);
    if (!s || stage != 0) return -1;
    s->texture0 = texture;
    return 0;
}

}  // namespace platform
