#include "audio/StreamReconnector.h"

#include <QNetworkInformation>

StreamReconnector::StreamReconnector(QList<int> delaysMs, int limitMs, QObject *parent)
    : QObject(parent), m_delays(std::move(delaysMs)), m_limitMs(limitMs)
{
    if (m_delays.isEmpty())
        m_delays = {1000};
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &StreamReconnector::fire);
    // Where the system can tell (NetworkManager), a network that comes back is tried at once.
    if (QNetworkInformation::instance() ||
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
                [this](QNetworkInformation::Reachability reachability) {
                    if (reachability == QNetworkInformation::Reachability::Online ||
                        reachability == QNetworkInformation::Reachability::Site ||
                        reachability == QNetworkInformation::Reachability::Local)
                        networkCameBack();
                });
    }
}

void StreamReconnector::begin(bool continueLast)
{
    if (m_active)
        return;
    m_active = true;
    m_trying = false;
    if (!continueLast || !m_since.isValid()) {
        m_tries = 0;
        m_since.start();
    } else if (m_since.elapsed() >= m_limitMs) {
        // It keeps breaking: the earlier break's time is up.
        finish();
        emit gaveUp(m_tries);
        return;
    }
    planNext();
}

void StreamReconnector::tryFailed()
{
    if (!m_active || !m_trying)
        return;
    m_trying = false;
    if (m_since.elapsed() >= m_limitMs) {
        const int tries = m_tries;
        finish();
        emit gaveUp(tries);
        return;
    }
    if (m_networkBack) {
        m_networkBack = false;
        m_timer.start(0);
        return;
    }
    planNext();
}

void StreamReconnector::finish()
{
    m_timer.stop();
    m_active = false;
    m_trying = false;
    m_networkBack = false;
}

void StreamReconnector::planNext()
{
    const int delay = m_delays.at(qMin<qsizetype>(m_tries, m_delays.size() - 1));
    // The last try comes at the limit, not after it.
    m_timer.start(qMax<qint64>(0, qMin<qint64>(delay, m_limitMs - m_since.elapsed())));
}

void StreamReconnector::fire()
{
    if (!m_active || m_trying)
        return;
    m_trying = true;
    emit tryNow(++m_tries);
}

void StreamReconnector::networkCameBack()
{
    if (!m_active)
        return;
    if (m_trying) {
        m_networkBack = true; // the next try follows the one in flight at once
        return;
    }
    m_timer.start(0);
}
