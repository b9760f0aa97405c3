// What the three mode windows share with the main window: a status bar with
// the instrument's texts and the hints, the control-state refresh, and the
// return to the main window when they close.
#pragma once

#include <QMainWindow>

#include <functional>

class QLabel;

namespace vandoral {

class TModeForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TModeForm(const QString &caption, QWidget *parent = nullptr);

    // After every control change of the instrument while this mode is active.
    virtual void RafraichitControle() {}
    // The instrument's status text: second panel of the status bar.
    void ShowStatus(const QString &text);
    // A hint: the status bar's simple text.
    void ShowHint(const QString &text);
    QString StatusText() const;
    QString HintText() const;

    // Called when the window closes (the main window returns to mode 0).
    std::function<void()> OnClosed;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *panel1_;
    QLabel *panel2_;
};

// The spectrum window.
class TTraceSpectre : public TModeForm {
    Q_OBJECT
public:
    explicit TTraceSpectre(QWidget *parent = nullptr);
};

// The kinetics window.
class TCinetiqueForm : public TModeForm {
    Q_OBJECT
public:
    explicit TCinetiqueForm(QWidget *parent = nullptr);
};

// The Beer-Lambert window.
class TBeerForm : public TModeForm {
    Q_OBJECT
public:
    explicit TBeerForm(QWidget *parent = nullptr);
};

} // namespace vandoral
