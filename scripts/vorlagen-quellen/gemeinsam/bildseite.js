<script>
/* "Zurück" führt wie das Bild selbst zur Stelle des Bildes auf der Startseite;
   Escape auch. */
(function () {
  var weg = document.querySelector('main a[href]'), zurueck = document.querySelector('nav a');
  if (!weg || !zurueck) return;
  zurueck.href = weg.href;
  document.addEventListener('keydown', function (e) { if (e.key === 'Escape') location.href = weg.href; });
})();
</script>
