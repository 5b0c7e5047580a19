#include "classlayer/WinApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <memory>

#include "classlayer/Resources.h"

namespace {

// The application object; written by its constructor and destructor, which run on the main
// thread before and after everything else.
CWinApp* g_pApp = nullptr;

constexpr int kMainFrameIcon = 128;  // IDR_MAINFRAME

}  // namespace

CWinApp::CWinApp(const wchar_t* appName) : m_strAppName(appName != nullptr ? appName : L"") {
  g_pApp = this;
}

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

bool CWinApp::InitInstance() {
  return true;
}

int CWinApp::ExitInstance() {
  return 0;
}

void CWinApp::SetRegistryKey(const wchar_t* key) {
  m_strRegistryKey = key != nullptr ? key : L"";
}

CWinApp* AfxGetApp() {
  return g_pApp;
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;

  // Qt takes its own options out of argc and argv; it keeps a reference to argc, which lives as
  // long as this call and so as long as the application made here.
  std::unique_ptr<QApplication> own;
  if (QApplication::instance() == nullptr) own = std::make_unique<QApplication>(argc, argv);
  if (!app->m_strAppName.empty()) {
    QApplication::setApplicationName(QString::fromStdWString(app->m_strAppName));
  }
  // Desktops match windows to the desktop entry of the same name (recmorph.desktop).
  QGuiApplication::setDesktopFileName(QFileInfo(QApplication::applicationFilePath()).baseName());
  const QIcon icon = LoadIconResource(kMainFrameIcon);
  if (!icon.isNull()) QApplication::setWindowIcon(icon);

  app->m_arguments.clear();
  for (int i = 1; i < argc; ++i) {
    app->m_arguments.push_back(QString::fromLocal8Bit(argv[i]).toStdWString());
  }

  if (!app->InitInstance()) return app->ExitInstance();
  QApplication::exec();
  return app->ExitInstance();
}

bool InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  return init != nullptr && init->dwSize == sizeof(INITCOMMONCONTROLSEX);
}

void AfxEnableControlContainer(void*) {}
