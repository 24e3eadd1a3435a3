#include "app/corvane_doc.h"

namespace tessaly {

CCorvaneDoc::CCorvaneDoc(QObject* parent) : QObject(parent) {}

// Nothing is serialised: environment files are read and written by the view.
void CCorvaneDoc::serialize() {}

} // namespace tessaly
