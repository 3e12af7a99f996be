// The X-Resource extension's count of a client's resources, asked on the wire: the extension's own client
// library is not required for this one request. [any, on a connection the caller holds]
#include <cstring>

#include "platform/x11/X11Internal.h"

#include <X11/Xlibint.h>
#include <X11/extensions/XResproto.h>
#undef min // Xlibint's macros, which nothing here needs
#undef max

namespace X11
{

bool QueryClientResources(Display* dpy, XID Client, TResourceCounts& Counts)
{
    int Opcode = 0, FirstEvent = 0, FirstError = 0;
    if (!dpy || !XQueryExtension(dpy, XRES_NAME, &Opcode, &FirstEvent, &FirstError))
        return false;
    const Atom WindowType = XInternAtom(dpy, "WINDOW", False), PixmapType = XInternAtom(dpy, "PIXMAP", False),
               GcType = XInternAtom(dpy, "GC", False), CursorType = XInternAtom(dpy, "CURSOR", False),
               FontType = XInternAtom(dpy, "FONT", False);
    Counts = TResourceCounts();
    LockDisplay(dpy);
    xXResQueryClientResourcesReq* Req;
    GetReq(XResQueryClientResources, Req);
    Req->reqType = static_cast<CARD8>(Opcode);
    Req->XResReqType = X_XResQueryClientResources;
    Req->xid = static_cast<CARD32>(Client);
    xXResQueryClientResourcesReply Reply;
    std::memset(&Reply, 0, sizeof Reply);
    const bool Answered = _XReply(dpy, reinterpret_cast<xReply*>(&Reply), 0, xFalse) != 0;
    if (Answered)
        for (CARD32 I = 0; I < Reply.num_types; ++I)
        {
            xXResType Type;
            _XRead(dpy, reinterpret_cast<char*>(&Type), sz_xXResType);
            const int N = static_cast<int>(Type.count);
            Counts.Total += N;
            if (Type.resource_type == WindowType)
                Counts.Windows += N;
            else if (Type.resource_type == PixmapType)
                Counts.Pixmaps += N;
            else if (Type.resource_type == GcType)
                Counts.GraphicsContexts += N;
            else if (Type.resource_type == CursorType)
                Counts.Cursors += N;
            else if (Type.resource_type == FontType)
                Counts.Fonts += N;
        }
    UnlockDisplay(dpy);
    SyncHandle();
    return Answered;
}

} // namespace X11
