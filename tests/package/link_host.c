/* A host that links the library through an import library, as an integrator's
 * program does, and calls the exports by their declared names: a wrong symbol
 * or import name fails at link or at load time. Uses no C runtime, so that the
 * MSVC-mode build needs none. The exit code names the failed step. */
#include <OrvaneLib.h>

/* "用户名密码错误。注册时输入的用户名或者密码错误。 ": SDK error 1, a wrong password. */
static const uint16_t wrongPassword[] = {
    0x7528, 0x6237, 0x540D, 0x5BC6, 0x7801, 0x9519, 0x8BEF, 0x3002, 0x6CE8, 0x518C, 0x65F6, 0x8F93, 0x5165,
    0x7684, 0x7528, 0x6237, 0x540D, 0x6216, 0x8005, 0x5BC6, 0x7801, 0x9519, 0x8BEF, 0x3002, 0x0020};
#define WRONG_PASSWORD_LENGTH 25

int main(void) {
    int32_t pan = -1, tilt = -1, zoom = -1;
    uint16_t text[32];
    int32_t userId;
    int i;

    if (CamLastFailureText(0, 0, 0) != 0) return 1;
    userId = CamLogin("192.0.2.64", 8000, "admin", "orvane-demo", 0);
    if (userId < 0) return 2;
    if (CamPTZGetCurrent(userId, &pan, &tilt, &zoom, 0) != 1) return 3;
    if (pan < 0 || tilt < 0 || zoom < 0) return 4;
    if (CamLogout(userId, 0) != 1) return 5;
    if (CamLogin("192.0.2.64", 8000, "admin", "wrong", 0) >= 0) return 6;
    if (CamLastFailureText(0, 0, 0) != WRONG_PASSWORD_LENGTH) return 7;
    if (CamLastFailureText(text, 32, 0) != WRONG_PASSWORD_LENGTH) return 8;
    for (i = 0; i < WRONG_PASSWORD_LENGTH; ++i) {
        if (text[i] != wrongPassword[i]) return 9;
    }
    if (text[WRONG_PASSWORD_LENGTH] != 0) return 10;
    return 0;
}
