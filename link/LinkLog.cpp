#include "link/LinkLog.h"

namespace orv {

TLinkLogFilter& LinkLogFilter()
{
    static TLinkLogFilter filter;
    return filter;
}

} // namespace orv
