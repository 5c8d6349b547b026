// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogFixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "support/ProgramFiles.h"

namespace vestiscop::ui::test {

void DialogFixture::SetUp()
{
    m_previousDirectory = std::filesystem::current_path().string();
    // The program works in the directory it is started in.
    std::filesystem::current_path(m_dir.path());
    // No scanner: the manager library named here does not exist.
    setenv("VESTISCOP_TWAIN_MANAGER", m_dir.file("no-manager.so").c_str(), 1);
    m_dir.write("colors.txt", testsupport::testColorTable());
    m_dir.write("red20.bmp", testsupport::redWhiteBmp(20));
    m_dir.write("red40.bmp", testsupport::redWhiteBmp(40));
}

void DialogFixture::TearDown()
{
    m_dialog.reset();
    m_app.reset();
    m_notifier.reset();
    std::filesystem::current_path(m_previousDirectory);
    unsetenv("VESTISCOP_TWAIN_MANAGER");
}

void DialogFixture::start(const std::vector<std::string>& config)
{
    m_dir.write("vestiscop.cfg", testsupport::testConfiguration(config));
    m_notifier = std::make_unique<MessageBoxNotifier>(m_services);
    m_app = std::make_unique<app::Application>(*m_notifier);
    ASSERT_TRUE(m_app->start());
    m_dialog = std::make_unique<CMainDlg>(*m_app, m_services);
    m_notifier->setParent(m_dialog.get());
    m_startBoxes = m_services.boxes.size();
}

void DialogFixture::drop(const std::vector<std::string>& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.push_back(path.find("://") != std::string::npos ? QUrl(QString::fromStdString(path))
                                                             : QUrl::fromLocalFile(QString::fromStdString(path)));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_dialog.get(), &enter);
    ASSERT_TRUE(enter.isAccepted()) << "the window takes dropped files";
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_dialog.get(), &dropped);
}

std::string DialogFixture::fieldText(int id) const
{
    return control<QPlainTextEdit>(id)->toPlainText().toStdString();
}

std::vector<std::string> DialogFixture::listTexts() const
{
    std::vector<std::string> texts;
    for (int i = 0; i < nameList()->count(); ++i)
        texts.push_back(nameList()->itemText(i).toStdString());
    return texts;
}

std::string DialogFixture::selectedText() const
{
    return nameList()->currentIndex() < 0 ? std::string("<none>") : nameList()->currentText().toStdString();
}

int DialogFixture::selectedSlot() const
{
    const int index = nameList()->currentIndex();
    return index < 0 ? -100 : nameList()->itemData(index).toInt();
}

std::string DialogFixture::similarityText() const
{
    return control<QLabel>(CMainDlg::SimilarityId)->text().toStdString();
}

std::vector<ShownBox> DialogFixture::boxesSinceStart() const
{
    return std::vector<ShownBox>(m_services.boxes.begin() + static_cast<std::ptrdiff_t>(m_startBoxes),
                                 m_services.boxes.end());
}

void DialogFixture::selectName(const std::string& name)
{
    const int index = nameList()->findText(QString::fromStdString(name));
    ASSERT_GE(index, 0) << name;
    nameList()->setCurrentIndex(index);
}

} // namespace vestiscop::ui::test
