// The discovery list inside the frame "List": IP and MAC of the units that answered, the hint,
// and a red line when discovery could not run.
#pragma once

#include <QWidget>

class QLabel;
class QTreeWidget;

namespace vexlan {

struct app_context;

class discovery_list : public QWidget {
    Q_OBJECT
public:
    discovery_list(app_context& ctx, QWidget* parent = nullptr);
    ~discovery_list() override;
    void render();

private:
    app_context& ctx_;
    QTreeWidget* lstv_discovery_ = nullptr;
    QLabel* lab_discovery_error_ = nullptr;
};

}  // namespace vexlan
