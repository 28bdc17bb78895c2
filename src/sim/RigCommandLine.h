#pragma once
// The simulated rig's command-line options:
//   --rig-port N        the port base it sits on, 0..32765 (default 888)
//   --rig-model NAME    a model of rules::models, by its exact name (default
//                       defaultRigModel): the rig starts on its QRP frequency
//   --rig-encoder K     1: a detent every half cycle (default), 2: every whole cycle

#include "sim/SimulatedRig.h"

#include <QCommandLineOption>

class QCommandLineParser;

class RigCommandLine {
public:
    // Adds the three options to the parser.
    explicit RigCommandLine(QCommandLineParser& parser);

    // After the parser has processed the command line: the rig's settings.
    // Throws std::invalid_argument, with a message naming the option, for a
    // value that is not one of those above.
    RigSettings read(const QCommandLineParser& parser) const;

private:
    QCommandLineOption port_;
    QCommandLineOption model_;
    QCommandLineOption encoder_;
};
