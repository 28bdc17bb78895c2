#pragma once
// The audio devices the program can use, by the names the operator sees.

#include <QAudioDevice>
#include <QString>

#include <cstdio>
#include <optional>

namespace hear
{

// An input or output found by its description or its id, exactly;
// "default" is the system's default. Nothing when no such device is there.
std::optional<QAudioDevice> findInput(const QString& name);
std::optional<QAudioDevice> findOutput(const QString& name);

// Every input and output, one a line: "input  <description>  (<id>)".
void listDevices(std::FILE* out);

} // namespace hear
