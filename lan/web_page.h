#pragma once

#include <QByteArray>

// The page that shows the units and moves their switches through the API.
// Its script is a file of its own, as the CSP allows no inline script, and
// it puts unit text into the page only as text, never as markup.
const QByteArray& web_page_html();
const QByteArray& web_page_script();
