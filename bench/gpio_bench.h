#pragma once
// The GPIO section of the benchmark: the time of one set-values call on the
// machine's chip, when --port gpio and its options are given.

#include <QCommandLineParser>

// Adds --port and the --gpio-* options to the parser.
void addGpioOptions(QCommandLineParser& parser);
// Prints the section: a table, or a line saying why there is none. Never fails the benchmark.
void gpioSection(const QCommandLineParser& parser);
