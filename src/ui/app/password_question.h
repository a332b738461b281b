#pragma once
// The question for a server's password, when the server asks for one and libpq's own means
// (~/.pgpass, a service file, PGPASSWORD) give none. The answer goes to the connection only:
// it is never written to vorda.INI, the user's settings or a log.

#include <QString>

namespace vorda::ui {

// A modal dialog over the active window, the typed text hidden; `again` when the password
// given before was refused. Empty on cancel. Fits Database::setPasswordSource.
QString askServerPassword(const QString& location, const QString& user, bool again);

} // namespace vorda::ui
