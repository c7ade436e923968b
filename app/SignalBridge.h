#pragma once
#include <QObject>

class QSocketNotifier;

namespace orv {

// Turns SIGTERM and SIGINT into a Qt signal on the main thread, so the
// shutdown path runs as for the pilot's own "Shut Down".
class TSignalBridge : public QObject {
    Q_OBJECT
public:
    explicit TSignalBridge(QObject* parent = nullptr);
    ~TSignalBridge() override;

    // True once a termination signal arrived.
    static bool Terminating();

signals:
    void terminationRequested();

private:
    void OnReadable();
    QSocketNotifier* fNotifier = nullptr;
};

} // namespace orv
