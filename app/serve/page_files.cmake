# The five files of the web page, compiled into korvale_serve as Qt resources under ":/web/":
# the page's own three from web/ and the chart library from web/node_modules (npm ci --prefix
# web). Without the chart library an empty stand-in is compiled in, with a warning: the program
# builds, its page draws no graph.
set(KORVALE_WEB_DIR ${CMAKE_SOURCE_DIR}/web)
set(page_files
  ${KORVALE_WEB_DIR}/index.html index.html
  ${KORVALE_WEB_DIR}/app.js app.js
  ${KORVALE_WEB_DIR}/app.css app.css)
set(uplot_dist ${KORVALE_WEB_DIR}/node_modules/uplot/dist)
if(EXISTS ${uplot_dist}/uPlot.iife.min.js AND EXISTS ${uplot_dist}/uPlot.min.css)
  list(APPEND page_files ${uplot_dist}/uPlot.iife.min.js uplot.js ${uplot_dist}/uPlot.min.css uplot.css)
else()
  message(WARNING "web/node_modules/uplot is missing (run npm ci --prefix web): the web page is "
                  "built without its chart library.")
  set(standin ${CMAKE_CURRENT_BINARY_DIR}/web-standin)
  file(WRITE ${standin}/uplot.js "")
  file(WRITE ${standin}/uplot.css "")
  list(APPEND page_files ${standin}/uplot.js uplot.js ${standin}/uplot.css uplot.css)
endif()
# A resource file naming each by its alias, compiled into the library's sources; WebServer
# initialises it (a static library's resources are not linked in by themselves).
set(qrc "<RCC><qresource prefix=\"/web\">\n")
while(page_files)
  list(POP_FRONT page_files path alias)
  string(APPEND qrc "<file alias=\"${alias}\">${path}</file>\n")
endwhile()
string(APPEND qrc "</qresource></RCC>\n")
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/korvale_web.qrc CONTENT "${qrc}")
qt_add_resources(korvale_web_sources ${CMAKE_CURRENT_BINARY_DIR}/korvale_web.qrc)
target_sources(korvale_serve PRIVATE ${korvale_web_sources})
