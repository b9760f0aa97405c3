// A stand-in for the analysis program, for tests and demonstrations: it
// listens under the analysis program's service, accepts or refuses macros,
// and on "CLIP|LOAD()" or "CLIP|ADD()" reads the clipboard and keeps the block.
#pragma once

#include "ddelink.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

namespace vandoral {

class TabvistaStandin : public QObject {
    Q_OBJECT
public:
    explicit TabvistaStandin(QObject *parent = nullptr);
    // Listens; false when the service cannot be offered.
    bool Start();

    bool refuse = false;                  // answer every macro with a refusal
    QStringList macros;                   // every macro received, in order
    std::vector<std::string> blocks;      // clipboard blocks read (Windows-1252)

signals:
    void macroReceived(const QString &macro);
    // A block read from the clipboard (Windows-1252 bytes).
    void blockRead(const QByteArray &block);

private:
    TabvistaMarker marker_;
    DdeServer server_;
};

} // namespace vandoral
