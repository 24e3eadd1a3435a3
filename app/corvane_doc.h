#pragma once

#include <QObject>

namespace tessaly {

// The program's one document. It holds nothing: the receiver table, the settings and the
// display state are process-wide and reached directly; the modified flag lives in
// protocol/program_flags.h.
class CCorvaneDoc : public QObject {
    Q_OBJECT

public:
    explicit CCorvaneDoc(QObject* parent = nullptr);

    void serialize();
};

} // namespace tessaly
