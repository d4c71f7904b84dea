#include "palette/core/button_rules.h"

namespace {

bool hasHoverLook(int32_t kind) {
    return kind == BUTTON_TOOL || kind == BUTTON_ACTION || kind == BUTTON_TOGGLE;
}

constexpr int32_t PICTURE_NORMAL_LOOK = 101, PICTURE_DOWN_LOOK = 102, PICTURE_HOVER_LOOK = 103;

} // namespace

unsigned buttonHover(ButtonRecord* r) {
    if (r->kind == BUTTON_INDICATOR)
        return BUTTON_DO_NOTHING;
    unsigned actions = BUTTON_DO_NOTHING;
    if (r->tracking == 0) {
        r->tracking = 1;
        actions |= BUTTON_DO_TRACK;
    }
    if (hasHoverLook(r->kind)) {
        if (r->state == BUTTON_NORMAL) {
            r->state = BUTTON_HOVER;
            r->picture = PICTURE_HOVER_LOOK;
        }
        actions |= BUTTON_DO_REPAINT; // on every move, changed or not
    }
    return actions;
}

unsigned buttonPress(ButtonRecord* r) {
    if (r->kind == BUTTON_INDICATOR)
        return BUTTON_DO_NOTHING;
    unsigned actions = BUTTON_DO_REPAINT;
    r->pressed = 1;
    switch (r->kind) {
    case BUTTON_TOOL:
    case BUTTON_ACTION:
        r->picture = PICTURE_DOWN_LOOK;
        r->state = BUTTON_DOWN;
        break;
    case BUTTON_GRIP:
        actions |= BUTTON_DO_GRIP;
        break;
    case BUTTON_TOGGLE:
        r->savedState = r->state;
        r->savedPicture = r->picture != 0 ? r->picture : PICTURE_NORMAL_LOOK;
        if (r->state == BUTTON_DOWN) {
            r->picture = PICTURE_NORMAL_LOOK;
            r->state = BUTTON_NORMAL;
        } else {
            r->picture = PICTURE_DOWN_LOOK;
            r->state = BUTTON_DOWN;
        }
        break;
    default: // plain, swatch and unknown kinds keep their look
        break;
    }
    return actions;
}

unsigned buttonRelease(ButtonRecord* r) {
    if (r->kind == BUTTON_INDICATOR)
        return BUTTON_DO_NOTHING;
    unsigned actions = BUTTON_DO_REPAINT;
    if (r->pressed == 1 && r->kind != BUTTON_GRIP) {
        if (r->kind == BUTTON_ACTION) {
            r->picture = PICTURE_HOVER_LOOK;
            r->state = BUTTON_NORMAL;
        }
        r->pressed = 0;
        actions |= BUTTON_DO_COMMAND;
    }
    return actions;
}

unsigned buttonLeave(ButtonRecord* r) {
    if (r->kind == BUTTON_INDICATOR || r->kind == BUTTON_GRIP)
        return BUTTON_DO_NOTHING;
    r->tracking = 0;
    if (r->pressed == 1) { // the press is cancelled: no command
        r->pressed = 0;
        if (r->kind == BUTTON_TOGGLE) {
            r->picture = r->savedPicture;
            r->state = r->savedState;
        } else {
            r->picture = PICTURE_NORMAL_LOOK;
            r->state = BUTTON_NORMAL;
        }
        return BUTTON_DO_REPAINT;
    }
    if (r->state == BUTTON_HOVER) {
        r->picture = PICTURE_NORMAL_LOOK;
        r->state = BUTTON_NORMAL;
        return BUTTON_DO_REPAINT;
    }
    return BUTTON_DO_NOTHING;
}
