// Counts the page's script errors on the root element, where a test (or a
// reader asking why a plot is missing) finds them.
window.addEventListener('error', function (event) {
  var root = document.documentElement;
  root.setAttribute('data-errors', String(Number(root.getAttribute('data-errors')) + 1));
  root.setAttribute('data-last-error', String(event.message));
});
