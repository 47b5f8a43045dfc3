#include "platform/MainBundle.h"

QString MainBundle::identifier() { return QStringLiteral("com.quorix.Quorix"); }

QString MainBundle::name() { return QStringLiteral("Quorix"); }

QString MainBundle::shortVersion() { return QStringLiteral(QUORIX_VERSION); }
