// Reports the user's clicks on links, and forms being sent, to the browser control with
// the link's own target and the document's <base> target: the engine tells the program
// neither when it asks about the navigation that follows. It runs in the application's
// isolated world (the page can neither see, fake nor silence the reports) and listens in
// the capture phase, so a page that stops the event still has the click reported.
(function () {
    var mark = '%NONCE%';
    function baseTarget() {
        var base = document.querySelector('base');
        return base ? (base.getAttribute('target') || '') : '';
    }
    function report(href, target, form, shift) {
        try {
            console.log(mark + JSON.stringify({kind: 'click', href: String(href), target: target || '',
                                               baseTarget: baseTarget(), form: form, shift: !!shift}));
        } catch (e) {
        }
    }
    document.addEventListener('click', function (event) {
        var node = event.target;
        var link = node && node.closest ? node.closest('a[href],area[href]') : null;
        if (link)
            report(link.href, link.getAttribute('target'), false, event.shiftKey);
    }, true);
    document.addEventListener('submit', function (event) {
        var form = event.target;
        if (form && form.action !== undefined)
            report(form.action, form.getAttribute('target'), true, false);
    }, true);
})();
