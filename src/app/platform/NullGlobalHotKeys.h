#pragma once

#include "app/GlobalHotKeys.h"

#include <utility>

namespace ovisu {

// No hot keys on this session (no X display, or switched off for tests).
class NullGlobalHotKeys final : public GlobalHotKeys {
    Q_OBJECT
public:
    explicit NullGlobalHotKeys(QString reason, QObject* parent = nullptr)
        : GlobalHotKeys(parent), m_reason(std::move(reason)) {}

    void configure(bool enabled) override { (void)enabled; }
    void unregisterGlobalHotKeys() override {}
    int registeredCount() const override { return 0; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};

}  // namespace ovisu
