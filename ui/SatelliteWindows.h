#pragma once
// The windows of a session, made for it: each over the conditions window
// (`host`), which they stand above and which takes them along when it goes;
// one opened from another window stands over that one.
// The session decides when one is made and when they close.

#include "session/YearSession.h"

#include <QPointer>
#include <QWidget>

namespace classdiv {

class SatelliteWindows : public SatelliteFactory {
public:
    explicit SatelliteWindows(QWidget* host) : m_host(host) {}
    // Makes the session's windows over `host` from now on.
    static void install(YearSession& session, QWidget* host);

    QObject* make(Satellite kind, YearSession& session) override;
    QObject* make(const SatelliteRequest& request, YearSession& session, QObject* over) override;
    void present(Satellite kind, QObject* window, bool made) override;

private:
    QPointer<QWidget> m_host;
};

} // namespace classdiv
