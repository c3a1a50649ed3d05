#pragma once

#include "tests/support/wait.h"

#include <QMessageBox>
#include <QTest>

#include <chrono>
#include <functional>

// Helpers for tests that drive real widgets offscreen.
namespace vexlo::test {

// Handles the GUI thread's events until `condition` holds or `timeoutMs` of
// real time passed.
bool waitFor(const std::function<bool()>& condition,
             int timeoutMs = std::chrono::milliseconds(kDeadline).count());

// The message box that is open now, if any.
QMessageBox* openMessageBox();

// Answers the next message box that opens with `button`, after `beforeAnswer`
// (run inside the box's own event loop) has returned true; checks every few
// milliseconds. `seen` receives the box's caption and text.
void answerNextBox(QMessageBox::StandardButton button, QString* seenCaption, QString* seenText,
                   std::function<bool()> beforeAnswer = {});

} // namespace vexlo::test
