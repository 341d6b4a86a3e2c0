// The link-time host compiled as C++: the header's declarations must link the
// same way from C++ (extern "C", the calling convention kept).
#include "link_host.c"
