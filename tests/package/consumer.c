/* Logs in to the simulated camera through the installed library and out again. */
#include <stdio.h>

#include <OrvaneLib.h>

int main(void) {
    int32_t userId = CamLogin("192.0.2.64", 8000, "admin", "orvane-demo", 0);
    if (userId < 0) {
        printf("login failed: %d\n", (int)userId);
        return 1;
    }
    if (CamLogout(userId, 0) != 1) {
        printf("logout failed\n");
        return 1;
    }
    if (CamLogin("192.0.2.64", 8000, "admin", "wrong", 0) >= 0) {
        printf("a wrong password was accepted\n");
        return 1;
    }
    if (CamLastFailureText(0, 0, 0) <= 0) {
        printf("no failure text after a refused login\n");
        return 1;
    }
    printf("installed package works: logged in as user %d and out again\n", (int)userId);
    return 0;
}
