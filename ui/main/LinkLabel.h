#pragma once
// A label that reads and acts like a link (help pages, option dialogs, network locations). Its
// text stays plain, as the translation gives it.

#include <QLabel>

class TLinkLabel : public QLabel {
  Q_OBJECT
public:
  explicit TLinkLabel(QWidget *Parent = nullptr);

signals:
  void clicked();

protected:
  void mouseReleaseEvent(QMouseEvent *Event) override;
  void keyPressEvent(QKeyEvent *Event) override;
  void paintEvent(QPaintEvent *Event) override;
};
