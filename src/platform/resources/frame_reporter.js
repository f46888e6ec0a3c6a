// Reports the life of a sub-frame's document to the browser control: "commit" when the
// document is created and "load" when it has loaded. It runs in the application's
// isolated world, so the page can neither see, fake nor silence its messages; the
// control accepts only messages that start with this session's random mark.
(function () {
    if (window === window.top)
        return;
    var mark = '%NONCE%';
    function report(kind) {
        try {
            console.log(mark + JSON.stringify({kind: kind, href: String(location.href)}));
        } catch (e) {
        }
    }
    report('commit');
    if (document.readyState === 'complete') {
        report('load');
        return;
    }
    window.addEventListener('load', function () { report('load'); }, {once: true});
})();
