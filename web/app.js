// The page of the run (stand-in until the page is written).
