#include "LinkClient.h"

// Each call makes a new link; like every link object it is never deleted.
extern "C" ISocketSystemHead* CreateISocketSystemHead(ISocketSystemHeadMsg* msg)
{
    return new drummel::LinkClient(msg);
}
