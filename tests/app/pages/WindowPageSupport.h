#pragma once
// Small helpers for driving the pages of the real window against orvane-sim:
// finding a control by name, clicking it, answering the window's numeric
// entry, and reading a board's field from the simulator.
#include "app/FormCanComport.h"
#include "tests/app/WindowWithSim.h"
#include "ui/PageTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace orv::test {

template <class W>
W* Find(TFormCanComport& form, const char* name)
{
    W* w = form.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(nullptr, w) << "no control " << name;
    return w;
}

// A touch on a button; radio and check boxes take it on their indicator.
inline void Click(TFormCanComport& form, const char* name)
{
    auto* b = Find<QAbstractButton>(form, name);
    if (!b)
        return;
    const bool indicator = qobject_cast<QRadioButton*>(b) || qobject_cast<QCheckBox*>(b);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, indicator ? QPoint(6, b->height() / 2) : b->rect().center());
}

// What the window's numeric entry showed when it opened.
struct TEntrySeen {
    bool opened = false;
    std::string title;
    double start = 0;
};

// Answers the next numeric entry the window opens: the value typed and
// confirmed, or a cancel (nullopt). Call right before the touch that opens it;
// the answer runs inside the entry's own event loop.
inline void AnswerEntry(std::optional<double> value, TEntrySeen& seen)
{
    seen = TEntrySeen{};
    QTimer::singleShot(0, qApp, [value, &seen] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("DlgNumEdit"))
            return;
        seen.opened = true;
        seen.title = dialog->labelText().toStdString();
        seen.start = dialog->doubleValue();
        if (value) {
            dialog->setDoubleValue(*value);
            dialog->accept();
        } else {
            dialog->reject();
        }
    });
}

// "board N FIELD" as a number (-1 when the simulator did not answer).
inline int SimField(WindowWithSim& w, int board, const std::string& field)
{
    const std::string answer = w.Sim().Command("board " + std::to_string(board) + " " + field);
    const size_t at = answer.rfind(' ');
    return at == std::string::npos || answer.rfind("OK", 0) != 0 ? -1 : std::atoi(answer.c_str() + at + 1);
}

// Nominal, with the given page shown.
inline bool ReachPage(WindowWithSim& w, int page, int timeoutMs = 40000)
{
    return w.ServeUntil([&] { return w.InNominal() && w.Form().PageControl()->currentIndex() == page; },
                        timeoutMs);
}

} // namespace orv::test
