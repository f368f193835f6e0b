#pragma once

#include <QDateTime>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace cmp::server {

// Slows down password guessing. Every failed sign-in counts against its
// operator code and its client address; past a number of free failures each
// further one locks the operator (or the address) for a time that doubles, up
// to a quarter of an hour. A right password clears the operator's count. An address gets more free
// attempts than an operator, since one office may sign in from behind one
// address. A record is forgotten a quarter of an hour after its lock ends.
class SignInThrottle
{
public:
    using Clock = std::function<QDateTime()>;

    struct Policy
    {
        int freeOperatorAttempts = 5;
        int freeAddressAttempts = 20;
        std::chrono::seconds firstLock{2};
        std::chrono::seconds longestLock{15 * 60};
        std::chrono::seconds memory{15 * 60};
        // Beyond this many records of one kind the oldest are dropped, so
        // that made-up operator codes cannot grow the memory without end.
        std::size_t maxRecords = 100'000;
    };

    // A sign-in under way, told how it ended.
    class Attempt
    {
    public:
        Attempt(Attempt&& other) noexcept;
        Attempt& operator=(Attempt&&) = delete;
        ~Attempt() = default;

        // Not locked: go on and check the password.
        bool allowed() const { return wait_.count() == 0; }
        // How long until the operator or address may try again.
        std::chrono::seconds wait() const { return wait_; }
        // The password was right: the operator's failures are forgiven.
        void succeeded();
        // Wrong operator or password: counted against both.
        void failed();

    private:
        friend class SignInThrottle;
        Attempt(SignInThrottle* throttle, QString operatorCode, QString address,
                std::chrono::seconds wait);

        SignInThrottle* throttle_;
        QString operatorCode_;
        QString address_;
        std::chrono::seconds wait_;
    };

    explicit SignInThrottle(Clock clock = {}) : SignInThrottle(Policy{}, std::move(clock)) {}
    SignInThrottle(Policy policy, Clock clock);

    // Refused (wait() above zero) while the operator or the address is
    // locked. address may be empty (the embedded transport has none).
    Attempt begin(const QString& operatorCode, const QString& address);

private:
    struct Record
    {
        int attempts = 0;
        QDateTime lockedUntil;
        QDateTime lastAttempt;
    };
    using Records = std::unordered_map<QString, Record>;

    std::chrono::seconds lockedFor(const Records& records, const QString& key,
                                   const QDateTime& now) const;
    void count(Records& records, const QString& key, int freeAttempts, const QDateTime& now);
    void forgive(const QString& operatorCode);
    void fail(const QString& operatorCode, const QString& address);
    void makeRoom(Records& records, const QDateTime& now);
    QDateTime now() const;

    Policy policy_;
    Clock clock_;
    std::mutex mutex_;
    Records operators_;
    Records addresses_;
};

} // namespace cmp::server
