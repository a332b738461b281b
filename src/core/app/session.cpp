#include "core/app/session.h"

#include "core/app/app_state.h"
#include "core/data/database.h"

namespace vorda {

Session::Session(AppState& state, QObject* parent)
    : QObject(parent), state_(state), location_(state.databasePath) {}

void Session::setLocation(const QString& location) {
    const QString before = location_;
    location_ = location;
    state_.databasePath = location;
    state_.boundDatabasePath = location;
    // A connection kept for the old location would otherwise stay open on a file or server
    // nobody uses any more (and on a file, hold it while it is moved or replaced).
    if (!before.isEmpty())
        Database::releaseKeptConnections(before);
    Database::releaseKeptConnections(location);
    emit locationChanged(location_);
}

void Session::replaced() {
    Database::releaseKeptConnections(location_);
    emit locationChanged(location_);
}

bool Session::reportFailure(const DbError& error) {
    if (error.kind != DbErrorKind::Unreachable)
        return false;
    reportConnectionLost(error.message);
    return true;
}

void Session::reportConnectionLost(const QString& message) {
    // A broken connection must not be offered to the next operation.
    Database::releaseKeptConnections(location_);
    emit connectionLost(message);
}

} // namespace vorda
