#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// Virtual sound cards for the ALSA backend's tests: a temporary device folder (exported as
// TARVIX_ALSA_DEVICE_DIR) whose controlC<N> files are cards of the tarvixtest alsa-lib plugin,
// changed from outside by running amixer as a separate process. GUI thread only.
class VirtualCards
{
public:
    VirtualCards();

    // The text of a card shape in tests/alsa/virtualcard/ ("classcompliant", "interface",
    // "nooutput").
    static QString shape(const QString& name);

    // Plugging creates the node in one step (a rename), as the kernel does.
    void plug(int card, const QString& text,
              QFileDevice::Permissions permissions = QFileDevice::ReadOwner |
                                                     QFileDevice::WriteOwner);
    void unplug(int card);
    void setPermissions(int card, QFileDevice::Permissions permissions)
    {
        QFile::setPermissions(node(card), permissions);
    }
    // Makes an element read-only or writable again, as a hardware knob taking over does.
    void setWritable(int card, const QString& element, bool writable);

    // Runs `amixer -D hw:<card> args...` and returns its standard output.
    QString amixer(int card, const QStringList& args);
    void cset(int card, const QString& element, const QString& values);
    // The values amixer reads for an element, e.g. "100,100".
    QString cget(int card, const QString& element);

private:
    QString node(int card) const { return folder.filePath(QStringLiteral("controlC%1").arg(card)); }
    QTemporaryDir folder;
};
