#include "server/sign_in_throttle.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace cmp::server {

namespace {

std::chrono::seconds secondsBetween(const QDateTime& from, const QDateTime& to)
{
    return std::chrono::seconds(std::max<qint64>(0, from.secsTo(to)));
}

} // namespace

SignInThrottle::Attempt::Attempt(SignInThrottle* throttle, QString operatorCode, QString address,
                                 std::chrono::seconds wait)
    : throttle_(throttle), operatorCode_(std::move(operatorCode)), address_(std::move(address)),
      wait_(wait)
{}

SignInThrottle::Attempt::Attempt(Attempt&& other) noexcept
    : throttle_(std::exchange(other.throttle_, nullptr)),
      operatorCode_(std::move(other.operatorCode_)), address_(std::move(other.address_)),
      wait_(other.wait_)
{}

void SignInThrottle::Attempt::succeeded()
{
    if (throttle_)
        std::exchange(throttle_, nullptr)->forgive(operatorCode_);
}

void SignInThrottle::Attempt::failed()
{
    if (throttle_)
        std::exchange(throttle_, nullptr)->fail(operatorCode_, address_);
}

SignInThrottle::SignInThrottle(Policy policy, Clock clock)
    : policy_(policy), clock_(std::move(clock))
{}

SignInThrottle::Attempt SignInThrottle::begin(const QString& operatorCode, const QString& address)
{
    const QDateTime now = this->now();
    std::lock_guard lock(mutex_);
    const std::chrono::seconds wait =
        std::max(lockedFor(operators_, operatorCode, now), lockedFor(addresses_, address, now));
    if (wait.count() > 0)
        return Attempt(nullptr, operatorCode, address, wait);
    return Attempt(this, operatorCode, address, std::chrono::seconds(0));
}

std::chrono::seconds SignInThrottle::lockedFor(const Records& records, const QString& key,
                                               const QDateTime& now) const
{
    const auto found = records.find(key);
    if (found == records.end() || !found->second.lockedUntil.isValid())
        return std::chrono::seconds(0);
    // A lock ending within this second still counts as one second to wait.
    return secondsBetween(now, found->second.lockedUntil.addMSecs(999));
}

void SignInThrottle::count(Records& records, const QString& key, int freeAttempts,
                           const QDateTime& now)
{
    auto found = records.find(key);
    if (found != records.end()) {
        const Record& record = found->second;
        const QDateTime quietSince = std::max(record.lastAttempt, record.lockedUntil);
        if (quietSince.addSecs(policy_.memory.count()) < now) {
            records.erase(found);
            found = records.end();
        }
    }
    if (found == records.end()) {
        makeRoom(records, now);
        found = records.emplace(key, Record{}).first;
    }
    Record& record = found->second;
    ++record.attempts;
    record.lastAttempt = now;
    if (record.attempts < freeAttempts)
        return;
    const int doublings = std::min(record.attempts - freeAttempts, 20);
    const std::chrono::seconds lock = std::min<std::chrono::seconds>(
        policy_.firstLock * (qint64{1} << doublings), policy_.longestLock);
    record.lockedUntil = now.addSecs(lock.count());
}

void SignInThrottle::forgive(const QString& operatorCode)
{
    std::lock_guard lock(mutex_);
    // The address keeps its failures: others may be guessing from it.
    operators_.erase(operatorCode);
}

void SignInThrottle::fail(const QString& operatorCode, const QString& address)
{
    const QDateTime now = this->now();
    std::lock_guard lock(mutex_);
    count(operators_, operatorCode, policy_.freeOperatorAttempts, now);
    if (!address.isEmpty())
        count(addresses_, address, policy_.freeAddressAttempts, now);
}

void SignInThrottle::makeRoom(Records& records, const QDateTime& now)
{
    if (records.size() < policy_.maxRecords)
        return;
    std::erase_if(records, [&](const auto& entry) {
        const Record& record = entry.second;
        return std::max(record.lastAttempt, record.lockedUntil).addSecs(policy_.memory.count()) <
               now;
    });
    if (records.size() < policy_.maxRecords)
        return;
    // Still full of live records: the older half goes, in one pass.
    std::vector<std::pair<QDateTime, QString>> byAge;
    byAge.reserve(records.size());
    for (const auto& [key, record] : records)
        byAge.emplace_back(record.lastAttempt, key);
    const auto middle = byAge.begin() + static_cast<std::ptrdiff_t>(byAge.size() / 2);
    std::nth_element(byAge.begin(), middle, byAge.end());
    for (auto older = byAge.begin(); older != middle; ++older)
        records.erase(older->second);
}

QDateTime SignInThrottle::now() const
{
    return clock_ ? clock_() : QDateTime::currentDateTimeUtc();
}

} // namespace cmp::server
