#pragma once
// A panel on the recording fakes, started up, with its start-up traffic kept
// apart from what the test itself causes.

#include "panel/Corvane.h"
#include "support/Fakes.h"
#include "text/NumberText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

class PanelTest : public ::testing::Test {
protected:
    PanelTest() : port(log), timer(log), panel(std::make_unique<Corvane>(port, timer))
    {
        startupTraffic = log;
        log.clear();
    }

    // Lines of the log since start-up (or since the last call), then forgets them.
    TrafficLog traffic()
    {
        TrafficLog lines;
        lines.swap(log);
        return lines;
    }

    void setPort(const char* text) { panel->Port->setCurrentText(QString::fromLatin1(text)); }
    void chooseModel(int row) { panel->KRV->setCurrentRow(row); }

    TrafficLog log;
    TrafficLog startupTraffic;
    RecordingPort port;
    RecordingTimer timer;
    std::unique_ptr<Corvane> panel;
};
