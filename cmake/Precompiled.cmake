# Precompiled headers. Nearly every source includes the standard library's containers, JSON and
# Qt's object headers (the screens Qt Widgets too) through our own headers, and parsing them was
# most of the cost of a source. Each set is parsed once per tree by a small owner target and
# reused by every target of its kind (REUSE_FROM), which needs the owner to be compiled with the
# same flags as its users: the owner links the same Qt modules, the test set is built at -O0 like
# the test programs, and all of them are compiled with -pthread (most link threads already; the
# macro it defines must be the same on both sides). GCC uses a precompiled header only when nothing
# is included before it: a target whose path macros (cmake/Bundle.cmake) would be included first
# compiles a set of its own that starts with them. The header checks (cmake/Layers.cmake) use
# the sets too: a header that needs one of the set's headers and does not include it passes them.
set(MORVEX_PCH_CORE
  <algorithm> <chrono> <filesystem> <functional> <map> <memory> <mutex> <optional> <string>
  <string_view> <vector> <nlohmann/json.hpp> <QObject> <QPointer> <QString> <QUrl>)
set(MORVEX_PCH_WIDGETS ${MORVEX_PCH_CORE}
  <QApplication> <QHBoxLayout> <QLabel> <QPainter> <QPushButton> <QTimer> <QVBoxLayout> <QWidget>)
set(MORVEX_PCH_TESTS ${MORVEX_PCH_WIDGETS} <gtest/gtest.h> <gmock/gmock.h> <QTest>)

# The owner of a set: an object library of one empty source that compiles the set. FIRST names
# headers (path macros of what the owner links) that the set starts with.
function(morvex_pch_owner kind)
  set(owner morvex_pch_${kind})
  if(TARGET ${owner})
    return()
  endif()
  cmake_parse_arguments(P "" "" "LIBS;OPTIONS;FIRST" ${ARGN})
  set(stub ${CMAKE_BINARY_DIR}/pch/${kind}.cpp)
  file(CONFIGURE OUTPUT ${stub} CONTENT "// compiles the precompiled header set \"${kind}\"\n")
  add_library(${owner} OBJECT ${stub})
  set_target_properties(${owner} PROPERTIES AUTOMOC OFF POSITION_INDEPENDENT_CODE ON MORVEX_PCH_KIND ${kind}
    MORVEX_PCH_FIRST "${P_FIRST}")
  target_link_libraries(${owner} PRIVATE ${P_LIBS})
  target_compile_options(${owner} PRIVATE ${P_OPTIONS} -pthread)
  string(TOUPPER ${kind} upper)
  target_precompile_headers(${owner} PRIVATE ${P_FIRST} ${MORVEX_PCH_${upper}})
endfunction()

# Gives `target` the precompiled set `kind` (core, widgets or tests). Which copy it uses is settled
# once the whole project is read, since its path macros may be given after this call.
function(morvex_precompile target kind)
  if(kind STREQUAL "core")
    morvex_pch_owner(core LIBS Qt6::Core Qt6::DBus nlohmann_json::nlohmann_json)
  elseif(kind STREQUAL "widgets")
    morvex_pch_owner(widgets LIBS Qt6::Widgets Qt6::DBus nlohmann_json::nlohmann_json)
  endif()
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON MORVEX_PCH_KIND ${kind})
  target_compile_options(${target} PRIVATE -pthread)
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL morvex_precompile_settle [[${target}]])")
endfunction()

# Reuses the owner's set, or, for a target with path macros of its own, compiles a copy of the set
# that starts with them.
function(morvex_precompile_settle target)
  get_target_property(kind ${target} MORVEX_PCH_KIND)
  get_target_property(header ${target} MORVEX_PATHS_HEADER)
  if(header)
    get_target_property(first morvex_pch_${kind} MORVEX_PCH_FIRST)
    if(NOT first)
      set(first)
    endif()
    string(TOUPPER ${kind} upper)
    target_precompile_headers(${target} PRIVATE ${first} ${header} ${MORVEX_PCH_${upper}})
  else()
    target_precompile_headers(${target} REUSE_FROM morvex_pch_${kind})
  endif()
endfunction()

# Unity builds: the sources of a library or a test program are compiled in batches, one compiler
# run per batch, so the headers they share are parsed and their templates instantiated once per
# batch rather than once per source. Sources whose unnamed namespaces define a name another source
# of the library also defines, or whose classes hold a member of an unnamed-namespace type (GCC
# warns of it when the source is included into a batch), are compiled on their own:
# MORVEX_UNITY_ALONE lists them from the project's root; so is a source whose code needs a
# library its own does not link (GeneralModel.cpp calls the desktop layer's application, which
# only the screens link), since a batch pulled into a program for one of its sources brings that
# source's needs along. A new clash shows as a redefinition in a unity_*.cxx file: rename the
# name, or list the source here (tests/CMakeLists.txt adds the test sources that stay alone).
option(MORVEX_UNITY_BUILD "Compile the libraries' and test programs' sources in batches" ON)
set(MORVEX_UNITY_ALONE
  platform/appkit/UserNotifications.cpp
  platform/foundation/Analytics.cpp platform/foundation/Bundle.cpp
  platform/foundation/DistributedNotificationCenter.cpp platform/foundation/HttpWire.cpp
  platform/foundation/Keychain.cpp platform/foundation/Log.cpp platform/foundation/LoginItem.cpp
  platform/foundation/Paths.cpp
  src/app/StatusMenuOptionsHandler.cpp
  src/model/ProfileResponseModel.cpp src/model/ServerRecord.cpp src/model/SignInRecords.cpp
  src/state/PreservedPreferences.cpp src/state/User.cpp
  src/ui/account/SwitchAccountViewController.cpp
  src/ui/dashboard/ConnectionComponentsController.cpp src/ui/dashboard/ConnectionLocationController.cpp
  src/ui/kit/ProtocolsAlertViewController.cpp src/ui/kit/ValueTransformers.cpp
  src/ui/locations/CountriesViewController1.cpp
  src/ui/preferences/AppSettingsViewController.cpp src/ui/preferences/GeneralViewController.cpp
  src/ui/preferences/LanguagesController.cpp src/ui/preferences/LanguagesViewController.cpp
  src/ui/preferences/ProtocolsViewController.cpp
  src/ui/support/TroubleshootViewController.cpp
  src/viewmodels/ConnectionComponentsModel.cpp src/viewmodels/ConnectionLocationModel.cpp
  src/viewmodels/DashboardPaneModels.cpp src/viewmodels/GeneralModel.cpp src/viewmodels/InitialModel.cpp
  src/viewmodels/UpdateModel.cpp
  src/vpn/Zevu.cpp)
function(morvex_unity target)
  if(NOT MORVEX_UNITY_BUILD)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${source})
    if(rel IN_LIST MORVEX_UNITY_ALONE)
      set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()
