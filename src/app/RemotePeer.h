#pragma once
// --rigctld: the remote peer, a rigctld-compatible server that works the panel.
// A TCP port already taken costs the remote access only, never the panel: the
// failure is one line on `err`, and the peer stays without a server.

#include "rigctl/PanelRig.h"
#include "rigctl/RigctlServer.h"

#include <QtGlobal>

#include <cstdio>
#include <memory>

class Corvane;

namespace app
{

class RemotePeer
{
public:
    // checkPort: asked before a move is queued, so that a refused port access
    // is a refusal to the client rather than a failed action on the panel.
    RemotePeer(Corvane& panel, rigctl::PanelRig::PortCheck checkPort, quint16 port, std::FILE* err = stderr);

    // The TCP port it serves, 0 when it could not listen.
    quint16 port() const;

private:
    rigctl::PanelRig panelRig_;
    std::unique_ptr<rigctl::RigctlServer> server_;
};

} // namespace app
