1;/* x */ SELECT 1 FROM T;
-- a; b
SELECT 1 -- c; d
FROM T;
/* one /* two */ SELECT 2 FROM T;
/* a *
/ b */ - 1;
/ 2;