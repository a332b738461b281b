#pragma once
// The data location in use and the state of its connection, with one owner: the session.
// It says when either changes, and screens listen to it. The location is also mirrored in
// AppState::databasePath (and boundDatabasePath) for the operations that still take it from
// there; the session is the only one that writes it.

#include <QObject>
#include <QString>

namespace vorda {

struct AppState;
struct DbError;

class Session : public QObject {
    Q_OBJECT
public:
    // Takes the location the state holds (read from vorda.INI) as the one in use.
    explicit Session(AppState& state, QObject* parent = nullptr);

    const QString& location() const { return location_; }

    // From now on the firm's data is at `location` (registered at the data location screen):
    // the connections kept for the one used before are closed, and listeners read again.
    void setLocation(const QString& location);

    // The location is the same but holds other data (a copy restored over it): no kept
    // connection may serve it again, and listeners read again.
    void replaced();

    // A failed operation whose connection to the data was lost or refused (kind Unreachable):
    // said once, by whoever listens to connectionLost. True when it was such a failure; any
    // other error is left to the caller.
    bool reportFailure(const DbError& error);
    void reportConnectionLost(const QString& message);

signals:
    // Another location is in use, or the one in use holds other data.
    void locationChanged(const QString& location);
    // The connection to the location was lost or refused; `message` says so in Japanese,
    // and what became of the operation that failed.
    void connectionLost(const QString& message);

private:
    AppState& state_;
    QString location_;
};

} // namespace vorda
