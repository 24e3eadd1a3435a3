#pragma once

#include "comm/comm_thread_config.h"
#include "comm/engine_options.h"
#include "protocol/receiver_table.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tessaly {

// Status texts of a receiver after an exchange of a sequence.
constexpr const char* kStatusSynchronize = "Synchronize";
constexpr const char* kStatusError = "Error";

// What a sequence does with every receiver.
enum class ExchangeKind {
    Upload,      // write name and frequency, read the other settings back
    Download,    // read every setting
    Information, // read every setting of receivers just found (a download from a first number)
    ReadBack,    // read the name and frequency only: what an upload compares before and after
};

// Runs one exchange after the other over the receivers of its own table copy through a
// configuration engine of its own: the upload, download and get-information sequences that the
// configuration dialogs and tessaly-cli share. Lives on the thread that creates it, which must
// run an event loop; the engine runs on a thread of its own.
class ExchangeSequence : public QObject {
    Q_OBJECT
public:
    ExchangeSequence(ExchangeKind kind, const ReceiverTable& source, EngineOptions options = {},
                     QObject* parent = nullptr);
    ~ExchangeSequence() override;

    // Starts the engine; the first exchange begins once it is ready. `firstNumber` is where the
    // run starts (the get-information sequence starts at the first receiver appended).
    void start(int firstNumber = 1);

    // The exchange in progress finishes, then the run ends with finished(true).
    void requestStop();

    ReceiverTable& table() { return table_; }
    const ReceiverTable& table() const { return table_; }
    bool busy() const { return busy_; }
    bool stopRequested() const { return stopRequested_; }
    // A download or get-information exchange succeeded: the caller should take the table over.
    bool dataChanged() const { return dataChanged_; }
    // Why the last receiver that failed or answered differently failed: "%s\n%s" and the
    // mismatch texts. Empty while none did.
    const QString& lastFailureText() const { return lastFailureText_; }
    CCommThreadConfig* engine() const { return engine_.get(); }

    uint32_t setMask() const;
    uint32_t getMask() const;

signals:
    // The engine exists and has not started yet: the moment to attach a trace window, which
    // must see the engine's start to show itself when comm/debug asks for it.
    void engineCreated(CCommThreadConfig* engine);
    void engineReady();
    // The exchange with receiver `number` (position `position` of `total`) was posted.
    void exchangeStarted(int number, int position, int total);
    // Its result: 0 success, 1 ... 5 the engine's failure codes; status "Synchronize"/"Error";
    // `detail` the engine's message text or the mismatch text, empty when all went well.
    void exchangeFinished(int number, int result, const QString& status, const QString& detail);
    // The run is over: every receiver was visited, or a stop was requested. The engine has
    // ended by then.
    void finished(bool stopped);

protected:
    bool event(QEvent* event) override;

private:
    void beginExchange();
    void onResult(int result);
    void endRun(bool stopped);
    QString mismatchText(const ReceiverRecord& record) const;

    ExchangeKind kind_;
    ReceiverTable table_;
    EngineOptions options_;
    std::unique_ptr<CCommThreadConfig> engine_;
    ReceiverRecord snapshot_;
    int first_ = 1;
    int current_ = 0;
    bool ready_ = false;
    bool startPending_ = false;
    bool busy_ = false;
    bool stopRequested_ = false;
    bool dataChanged_ = false;
    QString lastFailureText_;
};

} // namespace tessaly
