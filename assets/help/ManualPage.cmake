# SPDX-License-Identifier: GPL-3.0-or-later
# Wraps one topic of the manual in its page: the head with the topic's
# title, the navigation line (contents, previous topic, next topic) and the
# closing tags. The topic files hold only what the reader sees below the
# navigation. The order and titles of the topics come from the manual's
# table of contents in Morrow.qhp, so adding a topic there is enough for
# its neighbours to link to it.
#
# cmake -DQHP=Morrow.qhp -DTOPIC=name.html -DIN=topic-file -DOUT=page
#       [-DPROJECT_VERSION=x.y.z] -P ManualPage.cmake

cmake_minimum_required(VERSION 3.25)

file(STRINGS "${QHP}" toc REGEX "<section title=\"[^\"]*\" ref=\"[^\"]*\"")
set(refs "")
set(titles "")
foreach(line IN LISTS toc)
  string(REGEX REPLACE ".*<section title=\"([^\"]*)\" ref=\"([^\"]*)\".*" "\\2" ref "${line}")
  string(REGEX REPLACE ".*<section title=\"([^\"]*)\" ref=\"([^\"]*)\".*" "\\1" title "${line}")
  list(APPEND refs "${ref}")
  list(APPEND titles "${title}")
endforeach()
list(FIND refs "${TOPIC}" here)
if(here LESS 0)
  message(FATAL_ERROR "${TOPIC} is not in the table of contents of ${QHP}")
endif()
list(GET titles ${here} title)
list(LENGTH refs count)

set(dot " &nbsp;&middot;&nbsp; ")
if(here EQUAL 0)
  set(nav "&nbsp;Contents")
else()
  math(EXPR previous "${here} - 1")
  list(GET refs ${previous} previous_ref)
  set(nav "&nbsp;<a href=\"index.html\">Contents</a>${dot}<a href=\"${previous_ref}\">&lsaquo; Previous topic</a>\n")
endif()
math(EXPR next "${here} + 1")
if(next LESS count)
  list(GET refs ${next} next_ref)
  list(GET titles ${next} next_title)
  string(APPEND nav "${dot}<a href=\"${next_ref}\">Next topic: ${next_title} &rsaquo;</a>")
else()
  string(APPEND nav "${dot}<a href=\"index.html\">Back to the contents &rsaquo;</a>")
endif()
string(REPLACE "\n " "\n" nav "${nav}")

file(READ "${IN}" body)
if(DEFINED PROJECT_VERSION)
  string(REPLACE "@PROJECT_VERSION@" "${PROJECT_VERSION}" body "${body}")
endif()
file(WRITE "${OUT}" "<!DOCTYPE html>
<html>
<head>
<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">
<title>${title}</title>
<link rel=\"stylesheet\" type=\"text/css\" href=\"manual.css\">
</head>
<body>
<p class=\"nav\">${nav}</p>

${body}</body>
</html>
")
