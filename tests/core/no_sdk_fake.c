/* A library under the SDK's file name that lacks one operation: the library must
 * call none of those it has. */
#include <stdlib.h>

#include "hcnetsdk.h"

int32_t NET_DVR_Init(void) { abort(); }
int32_t NET_DVR_Cleanup(void) { abort(); }
int32_t NET_DVR_Login_V40(void* loginRecord, void* deviceInfo) {
    (void)loginRecord;
    (void)deviceInfo;
    abort();
}
int32_t NET_DVR_Logout(int32_t userId) {
    (void)userId;
    abort();
}
