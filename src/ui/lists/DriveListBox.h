#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

namespace bildertafel::uilists {

// Drop-down list of the drives. Without drive letters a drive is the root folder "/" or another
// mounted file system a person would browse (/home, /media/..., /mnt/..., /run/media/...).
class DriveListBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The chosen drive: the root folder of its file system, without trailing "/" except for "/".
    QString drive() const;
    // Chooses a drive, adding it to the list when it is missing; driveChanged() only on a change.
    void setDrive(const QString& root);
    QStringList drives() const;
    // Reads the mount table again; the chosen drive stays chosen and listed even if unmounted.
    void refreshDrives();

    // The drive with the longest root that contains the path, by whole folder names; empty when
    // none does.
    static QString driveOf(const QString& path, const QStringList& drives);
    // "/" followed by the browsable mount points of a /proc/self/mountinfo text, sorted.
    static QStringList drivesFromMountInfo(const QString& mountinfoText);

signals:
    void driveChanged();

protected:
    // Newly mounted media show up whenever the user opens the list.
    void showPopup() override;

private:
    void takeChosenEntry(int index);
    int insertDrive(const QString& root);

    QString m_drive;
};

} // namespace bildertafel::uilists
