#include "app/RemotePeer.h"

namespace app
{

RemotePeer::RemotePeer(Corvane& panel, rigctl::PanelRig::PortCheck checkPort, quint16 port, std::FILE* err)
    : panelRig_(panel, std::move(checkPort)), server_(std::make_unique<rigctl::RigctlServer>(panelRig_))
{
    if (QString error; !server_->listen(port, &error))
        std::fprintf(err, "corvane: --rigctld: %s\n", qPrintable(error));
}

quint16 RemotePeer::port() const
{
    return server_->port();
}

} // namespace app
