#include "watch/camera_view.hpp"

namespace orvane_cli {

const char* LoginStateName(LoginState state) {
    switch (state) {
        case LoginState::kUp:
            return "up";
        case LoginState::kWrongPassword:
            return "wrong password";
        case LoginState::kDown:
        default:
            return "down";
    }
}

}  // namespace orvane_cli
